#include "removal/removal_stage.h"

#include "engine/engine_files.h"
#include "engine/setup_log.h"
#include "files/file_find.h"
#include "files/folder_tree.h"
#include "files/path_parts.h"
#include "launch/process_runner.h"
#include "platform/win32_api.h"
#include "shared/exit_codes.h"
#include "shared/upgrade_choices.h"

namespace {
// How many of the entries that stayed after the wipe the log names.
const std::size_t kRemainsNamed = 5;

// A start refused for want of elevation stops the upgrade, since then
// neither the deletion nor the installer could succeed; any other failure to
// start only skips the wait. A failed wait stops it too: the uninstaller may
// still be using its folder.
std::optional<Refusal> RefusalOfTheUninstall(const HelpersRun& ran) {
  if (ran.startError == ERROR_ELEVATION_REQUIRED) {
    return Refusal{kExitNeedsElevation, "the uninstaller needs elevation"};
  }
  if (ran.waitError != ERROR_SUCCESS) {
    return Refusal{kExitUninstallerWaitFailed,
                   "the wait for the uninstaller failed; it may still run"};
  }
  return std::nullopt;
}

// An uninstaller that could not start (but for want of elevation, which
// stops the run), or ended with other than a success: the run goes on from
// it. A wait that failed stops the run.
LogSeverity UninstallOutcomeSeverity(const ProgramRun& ran) {
  if (ran.startError == ERROR_ELEVATION_REQUIRED ||
      (ran.startError == ERROR_SUCCESS && ran.waitError != ERROR_SUCCESS)) {
    return LogSeverity::Failure;
  }
  const bool succeeded = ran.startError == ERROR_SUCCESS && ran.exitCode &&
                         IsSuccessCode(*ran.exitCode);
  return succeeded ? LogSeverity::Information : LogSeverity::Warning;
}

// "the information folder is gone" (`gone`), or what stayed of it.
std::string WipeText(const std::string& infoFolder, bool gone) {
  if (gone) return "the information folder is gone";
  const FolderRemains remains = ListRemains(infoFolder, kRemainsNamed);
  std::string text = "the information folder stayed with " +
                     std::to_string(remains.count) + " entries";
  for (std::size_t i = 0; i < remains.first.size(); ++i) {
    text += (i == 0 ? ": " : ", ") + remains.first[i];
  }
  if (remains.count > remains.first.size()) text += ", ...";
  return text;
}

// Built to keep the previous version after a failed uninstall: the refusal
// when the uninstaller's setup.log reports a failure.
std::optional<Refusal> RefusalOfTheResult(const SetupLogResult& written) {
  if (!ReportsFailure(written)) return std::nullopt;
  return Refusal{kExitInstallFailed,
                 "the uninstaller reported a failure in setup.log "
                 "(ResultCode=" +
                     std::to_string(*written.resultCode) +
                     "): the previous version stays and the new one is not "
                     "installed"};
}

}  // namespace

std::optional<FileIdentity> PlaceUninstallResponse(
    const std::string& moduleFolder, const std::string& infoFolder) {
  const std::string source = PathIn(moduleFolder, kUninstallResponse);
  CFileFind finder;
  std::optional<FileIdentity> placed;
  if (finder.FindFile(source.c_str())) {
    const std::string target = PathIn(infoFolder, kUninstallResponse);
    // The copy carries the source's read-only bit (a distribution on a CD),
    // which would keep it, and with it the folder, from the wipe.
    if (CopyFileA(source.c_str(), target.c_str(), TRUE)) {
      placed = IdentityClearingReadOnly(target);
    }
  }
  finder.Close();
  return placed;
}

LaunchCommand BuildUninstallCommand(const std::string& infoFolder) {
  // I\setup.exe -s -uninst -f1"I\uninstall.iss"
  return ResponseFileCommand(infoFolder, kMaintenanceProgram,
                             kSilentUninstallSwitches, kUninstallResponse);
}

std::optional<Refusal> CheckUninstallerIsNotThisProgram(const RunContext& run) {
  if (!IsThisProgram(BuildUninstallCommand(run.infoFolder).program,
                     run.ownPath)) {
    return std::nullopt;
  }
  return Refusal{kExitWouldStartItself,
                 "the uninstaller it would start is this program, or cannot "
                 "be told from it"};
}

std::optional<Refusal> CheckOwnFolderOutside(const RunContext& run) {
  if (!FolderIsOrLiesWithin(run.moduleFolder, run.infoFolder)) {
    return std::nullopt;
  }
  return Refusal{kExitInstallerCannotStart,
                 "its own folder is the information folder or lies in it"};
}

RemovalResult RemovePreviousInstall(const RunContext& run,
                                    const UpgradeOptions& options,
                                    const UpgradeLog& log) {
  const unsigned helpersWaitSeconds = options.helpersWaitSeconds;
  const bool keep = options.afterFailedUninstall == FailedUninstallChoice::Keep;
  const std::string& infoFolder = run.infoFolder;
  RemovalResult result;
  const bool throughLink = !IsOwnFolder(infoFolder);
  const std::optional<FileIdentity> placed =
      PlaceUninstallResponse(run.moduleFolder, infoFolder);
  LaunchCommand uninstall = BuildUninstallCommand(infoFolder);
  const std::string setupLog = PathIn(infoFolder, kSetupLog);
  const bool readSetupLog = log.enabled() || keep;
  const SetupLogState before =
      readSetupLog ? SetupLogStateOf(setupLog) : SetupLogState();
  LogEvent(log, [&] {
    return "uninstall: program " + uninstall.program + ", command line " +
           uninstall.line;
  });
  result.uninstaller = RunAndWaitWithHelpers(uninstall, helpersWaitSeconds);
  LogEvent(log, UninstallOutcomeSeverity(result.uninstaller), [&] {
    return "uninstall: " +
           RunOutcomeText(kMaintenanceProgram, result.uninstaller);
  });
  const HelpersRun& ran = result.uninstaller;
  std::optional<Refusal> failed;
  if (ran.startError == ERROR_SUCCESS && ran.waitError == ERROR_SUCCESS) {
    LogEvent(log,
             HelpersBoundReached(ran) ? LogSeverity::Warning
                                      : LogSeverity::Information,
             [&] {
               return "uninstall: " +
                      HelpersWaitText(result.uninstaller, helpersWaitSeconds);
             });
    if (readSetupLog) {
      // Read once, now that its helpers ended: the wipe takes it.
      const SetupLogResult written = SetupLogWrittenSince(setupLog, before);
      if (keep) failed = RefusalOfTheResult(written);
      const LogSeverity severity =
          failed ? LogSeverity::Failure
                 : (ReportsFailure(written) ? LogSeverity::Warning
                                            : LogSeverity::Information);
      LogEvent(log, severity, [&] {
        return "uninstall: " + SetupLogText(written) +
               (keep && !failed
                    ? "; no failure reported, so the upgrade goes on"
                    : "");
      });
    }
  }
  result.refusal = RefusalOfTheUninstall(ran);
  if (!result.refusal) result.refusal = failed;
  if (placed && (throughLink || ran.startError != ERROR_SUCCESS || failed)) {
    // The folder may lead elsewhere by now: only the copy placed goes. An
    // uninstaller that may still run keeps the file it was given.
    DeleteIfStillTheFile(PathIn(infoFolder, kUninstallResponse), *placed);
  }
  if (result.refusal) return result;
  // Looked at again: the uninstaller may have changed what is there.
  ResetOwnFolderAttributes(infoFolder);
  DeleteFolderTree(infoFolder);
  const bool gone = !PathFileExistsA(infoFolder.c_str());
  LogEvent(log, gone ? LogSeverity::Information : LogSeverity::Warning,
           [&] { return "wipe: " + WipeText(infoFolder, gone); });
  return result;
}
