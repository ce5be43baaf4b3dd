#include "removal/removal_stage.h"

#include <cstdio>
#include <vector>

#include "engine/engine_files.h"
#include "engine/product_registration.h"
#include "engine/setup_log.h"
#include "files/file_find.h"
#include "files/folder_tree.h"
#include "files/path_parts.h"
#include "launch/installer_check.h"
#include "launch/process_runner.h"
#include "platform/win32_api.h"
#include "shared/exit_codes.h"
#include "shared/upgrade_choices.h"

namespace {
// Exit codes from here up are statuses of the system's (0xC0000005, an
// access violation), not of the program: it crashed or was ended.
const DWORD kFirstSystemStatus = 0xC0000000u;
// How many of the entries that stayed after the wipe the log names.
const std::size_t kRemainsNamed = 5;

// A start refused for want of elevation stops the upgrade, since then
// neither the deletion nor the installer could succeed; any other failure to
// start only skips the wait. A failed wait stops it too: the uninstaller may
// still be using its folder.
std::optional<Refusal> RefusalOfTheUninstall(const HelpersRun& ran) {
  if (ran.startError == ERROR_ELEVATION_REQUIRED) {
    return Refusal{kExitNeedsElevation, "the uninstaller needs elevation",
                   ran.startError};
  }
  if (ran.waitError != ERROR_SUCCESS) {
    return Refusal{kExitUninstallerWaitFailed,
                   "the wait for the uninstaller failed; it may still run",
                   ran.waitError};
  }
  if (ran.endedAtBound) {
    return Refusal{kExitUninstallerTimedOut,
                   "the uninstaller still ran at its bound and was ended; the "
                   "previous version's information folder stays"};
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

// Whether the start of the uninstaller failed because there is none: the
// classic case of nothing to run, which no later run could fix either.
bool NothingToRun(const HelpersRun& ran) {
  return ran.startError == ERROR_FILE_NOT_FOUND ||
         ran.startError == ERROR_PATH_NOT_FOUND;
}

// The product's registrations and what a look at each found.
struct Registrations {
  std::vector<std::string> keys = ProductRegistrationKeys();
  std::vector<RegistrationLook> looks;

  void Look() {
    looks.clear();
    for (const std::string& key : keys)
      looks.push_back(LookUpRegistration(key));
  }
};

}  // namespace

ResponsePlacement PlaceUninstallResponse(const std::string& moduleFolder,
                                         const std::string& infoFolder) {
  const std::string source = PathIn(moduleFolder, kUninstallResponse);
  CFileFind finder;
  ResponsePlacement placement;
  placement.error = ERROR_FILE_NOT_FOUND;
  if (finder.FindFile(source.c_str())) {
    const std::string target = PathIn(infoFolder, kUninstallResponse);
    // The copy carries the source's read-only bit (a distribution on a CD),
    // which would keep it, and with it the folder, from the wipe.
    if (CopyFileA(source.c_str(), target.c_str(), TRUE)) {
      placement.error = ERROR_SUCCESS;
      placement.copy = IdentityClearingReadOnly(target);
    } else {
      placement.error = GetLastError();
    }
  }
  finder.Close();
  return placement;
}

std::string NotPlacedText(const ResponsePlacement& placement) {
  const std::string notPlaced = std::string("the distribution's ") +
                                kUninstallResponse + " was not placed: ";
  switch (placement.error) {
    case ERROR_SUCCESS:
    case ERROR_FILE_NOT_FOUND:
      return std::string();
    case ERROR_FILE_EXISTS:
      return notPlaced + "the information folder holds an " +
             kUninstallResponse +
             " already, which the uninstaller reads instead";
    default:
      return notPlaced + "error " + std::to_string(placement.error);
  }
}

LaunchCommand BuildUninstallCommand(const std::string& infoFolder) {
  // I\setup.exe -s -uninst -f1"I\uninstall.iss"
  return ResponseFileCommand(infoFolder, kMaintenanceProgram,
                             kSilentUninstallSwitches, kUninstallResponse);
}

std::optional<Refusal> CheckUninstallerIsNotThisProgram(
    const LaunchCommand& uninstall, const std::string& ownPath) {
  // Another build of it would find this run's product mutex taken, end at
  // once and leave the folder to the wipe.
  if (!IsThisProgram(uninstall.program, ownPath) &&
      !CarriesThisProgramsMarker(uninstall.program)) {
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

std::optional<std::string> UninstallFailure(
    const HelpersRun& ran, const SetupLogResult& written,
    const std::string& registrationNotRemoved) {
  if (ran.startError != ERROR_SUCCESS) {
    if (NothingToRun(ran)) return std::nullopt;
    return "the system refused to start the uninstaller: error " +
           std::to_string(ran.startError);
  }
  if (ran.exitCode && *ran.exitCode >= kFirstSystemStatus) {
    char status[16] = {};
    std::snprintf(status, sizeof status, "0x%08X",
                  static_cast<unsigned>(*ran.exitCode));
    return std::string("the uninstaller ended with the system's status ") +
           status;
  }
  if (ran.helpers == HelpersRun::Wait::BoundReached) {
    // Engines hand their work to a copy of themselves: still running, it has
    // not done it yet.
    return std::string(
        "processes the uninstaller started still ran at the helpers' bound");
  }
  if (ReportsFailure(written)) {
    return "the uninstaller reported a failure in setup.log (ResultCode=" +
           std::to_string(*written.resultCode) + ")";
  }
  if (written.written && !written.resultCode) {
    return std::string(
        "the uninstaller wrote a setup.log whose ResultCode cannot be read");
  }
  if (!registrationNotRemoved.empty()) {
    return "the uninstall removed nothing it registered: " +
           registrationNotRemoved;
  }
  return std::nullopt;
}

RemovalResult RemovePreviousInstall(const RunContext& run,
                                    LaunchCommand& uninstall,
                                    const UpgradeOptions& options,
                                    const UpgradeLog& log) {
  const unsigned helpersWaitSeconds = options.helpersWaitSeconds;
  const bool keep = options.afterFailedUninstall == FailedUninstallChoice::Keep;
  const std::string& infoFolder = run.infoFolder;
  RemovalResult result;
  const bool throughLink = !IsOwnFolder(infoFolder);
  const ResponsePlacement placement =
      PlaceUninstallResponse(run.moduleFolder, infoFolder);
  const std::optional<FileIdentity>& placed = placement.copy;
  const std::string notPlaced = NotPlacedText(placement);
  if (!notPlaced.empty()) {
    LogEvent(log, LogSeverity::Warning,
             [&] { return "uninstall: " + notPlaced; });
  }
  const std::string setupLog = PathIn(infoFolder, kSetupLog);
  // What the uninstall left is looked at only when the log or the options
  // need it.
  const bool judge = log.enabled() || keep;
  const SetupLogState before =
      judge ? SetupLogStateOf(setupLog) : SetupLogState();
  Registrations registrations;
  if (judge) registrations.Look();
  const std::vector<RegistrationLook> registeredBefore = registrations.looks;
  LogEvent(log, [&] {
    return "uninstall: program " + uninstall.program + ", command line " +
           uninstall.line;
  });
  result.uninstaller = RunAndWaitWithHelpers(uninstall, helpersWaitSeconds,
                                             options.uninstallWaitSeconds);
  LogEvent(log, UninstallOutcomeSeverity(result.uninstaller), [&] {
    return "uninstall: " +
           RunOutcomeText(kMaintenanceProgram, result.uninstaller);
  });
  const HelpersRun& ran = result.uninstaller;
  SetupLogResult written;
  std::string notRemoved;
  if (judge && ran.startError == ERROR_SUCCESS &&
      ran.waitError == ERROR_SUCCESS && !ran.endedAtBound) {
    LogEvent(log,
             HelpersBoundReached(ran) ? LogSeverity::Warning
                                      : LogSeverity::Information,
             [&] {
               return "uninstall: " +
                      HelpersWaitText(result.uninstaller, helpersWaitSeconds);
             });
    // Read once, now that its helpers ended: the wipe takes it.
    written = SetupLogWrittenSince(setupLog, before);
    // A failure reported is the run's end built with keep, one gone on from
    // built with wipe.
    const LogSeverity reported =
        keep ? LogSeverity::Failure : LogSeverity::Warning;
    LogEvent(log, ReportsFailure(written) ? reported : LogSeverity::Information,
             [&] { return "uninstall: " + SetupLogText(written); });
    registrations.Look();
    bool anyBefore = false;
    for (std::size_t i = 0; i < registrations.keys.size(); ++i) {
      const std::string text = RegistrationText(
          registrations.keys[i], registeredBefore[i], registrations.looks[i]);
      if (text.empty()) continue;
      anyBefore = true;
      const RegistrationVerdict verdict =
          JudgeRegistration(registeredBefore[i], registrations.looks[i]);
      LogEvent(log,
               verdict == RegistrationVerdict::Removed
                   ? LogSeverity::Information
                   : LogSeverity::Warning,
               [&] { return "uninstall: " + text; });
      if (notRemoved.empty() && verdict != RegistrationVerdict::Removed) {
        notRemoved = text;
      }
    }
    if (!anyBefore) {
      LogEvent(log, [&] {
        return std::string(
            "uninstall: no registration of the product under its code was "
            "there before, so none is judged");
      });
    }
  }
  std::optional<Refusal> failed;
  if (keep) {
    if (const auto failure = UninstallFailure(ran, written, notRemoved)) {
      failed = Refusal{kExitInstallFailed,
                       *failure +
                           ": the previous version stays and the new one is "
                           "not installed" +
                           (notPlaced.empty() ? "" : "; " + notPlaced)};
    }
  }
  if (judge && ran.waitError == ERROR_SUCCESS && !ran.endedAtBound &&
      ran.startError != ERROR_ELEVATION_REQUIRED && !failed) {
    LogEvent(log, [&] {
      return std::string("uninstall: ") +
             (NothingToRun(ran) ? "there is no uninstaller to run, so " : "") +
             (keep ? "no failure found, so the upgrade goes on"
                   : "built to wipe, the upgrade goes on whatever it left");
    });
  }
  result.refusal = RefusalOfTheUninstall(ran);
  if (!result.refusal) result.refusal = failed;
  if (placed && (throughLink || ran.startError != ERROR_SUCCESS ||
                 ran.endedAtBound || failed)) {
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
