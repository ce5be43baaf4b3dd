#include "install/install_stage.h"

#include "engine/engine_files.h"
#include "engine/setup_log.h"
#include "files/open_entry.h"
#include "files/path_parts.h"
#include "launch/process_runner.h"
#include "shared/exit_codes.h"

namespace {

// An installer that could not run, or ended with other than a success, is a
// failure whatever exit code the program ends with.
LogSeverity InstallOutcomeSeverity(const ProgramRun& ran) {
  const bool succeeded = ran.startError == ERROR_SUCCESS &&
                         ran.waitError == ERROR_SUCCESS && ran.exitCode &&
                         IsSuccessCode(*ran.exitCode);
  return succeeded ? LogSeverity::Information : LogSeverity::Failure;
}

}  // namespace

LaunchCommand BuildInstallCommand(InstallMode mode,
                                  const std::string& moduleFolder) {
  // The bare name leaves the system to search for the installer.
  if (mode == InstallMode::Interactive) return LaunchCommand{"", kInstaller};
  // M\data.exe -s -f1"M\setup.iss"
  return ResponseFileCommand(moduleFolder, kInstaller, kSilentInstallSwitches,
                             kInstallResponse);
}

InstallStage::InstallStage(const RunContext& run, const UpgradeOptions& options,
                           const UpgradeLog& log)
    : run_(run),
      options_(options),
      log_(log),
      command_(BuildInstallCommand(run.mode, run.moduleFolder)) {
  if (run.mode == InstallMode::Silent &&
      (log.enabled() || options.exitCode == ExitCodeChoice::Installer)) {
    setupLog_ = PathIn(run.moduleFolder, kSetupLog);
  }
}

void InstallStage::FindAndHoldInstaller() {
  if (command_.program.empty()) command_.program = SearchProgram(command_.line);
  installer_ = CheckInstaller(command_.program, run_.ownPath, held_);
  if (run_.mode == InstallMode::Silent) {
    BY_HANDLE_FILE_INFORMATION info;
    responseIsFile_ =
        DescribeOpenEntry(
            held_.Hold(PathIn(run_.moduleFolder, kInstallResponse)), info) &&
        IsPlainFile(info);
  }
}

std::optional<Refusal> InstallStage::CheckNotThisProgram() const {
  if (installer_ != InstallerCheck::ThisProgram) return std::nullopt;
  return Refusal{kExitWouldStartItself,
                 "the installer it would start is this program, or cannot be "
                 "told from it"};
}

std::optional<Refusal> InstallStage::CheckStartable() const {
  // Removing the old version with no new one to start after it would leave
  // the machine with neither.
  if (installer_ != InstallerCheck::Startable) {
    return Refusal{kExitInstallerCannotStart,
                   "the installer cannot be started"};
  }
  if (!responseIsFile_) {
    return Refusal{kExitInstallerCannotStart,
                   "the install response file setup.iss is not a file"};
  }
  return std::nullopt;
}

std::optional<Refusal> InstallStage::CreateInstaller() {
  if (installer_ != InstallerCheck::Startable) return std::nullopt;
  LogEvent(log_, [&] {
    return "install: program " + command_.program + ", command line " +
           command_.line;
  });
  process_.emplace(CreateSuspended(command_));
  const DWORD error = process_->startError;
  if (error == ERROR_SUCCESS || !run_.previousInstall) return std::nullopt;
  LogEvent(log_, LogSeverity::Failure, [&] {
    ProgramRun refused;
    refused.startError = error;
    return "install: " + RunOutcomeText(kInstaller, refused);
  });
  if (error == ERROR_ELEVATION_REQUIRED) {
    return Refusal{kExitNeedsElevation, "the installer needs elevation", error};
  }
  return Refusal{kExitInstallerCannotStart,
                 "the system refuses to start the installer", error};
}

int InstallExitCode(ExitCodeChoice choice, const std::optional<ProgramRun>& ran,
                    bool previousInstall, bool setupLogFailure,
                    std::optional<DWORD> uninstallExitCode) {
  const bool installer = choice == ExitCodeChoice::Installer;
  const int noneStarted = installer ? kExitNoInstallerStarted : kExitUpgradeRan;
  if (!ran) return noneStarted;
  if (ran->startError != ERROR_SUCCESS) {
    return previousInstall ? kExitInstallerNotResumed : noneStarted;
  }
  if (ran->waitError != ERROR_SUCCESS) return kExitInstallerEndUnknown;
  // Ended by the loader, it never ran, whatever the build passes on.
  if (ran->exitCode && LoaderEndingName(*ran->exitCode) != nullptr) {
    return kExitInstallerNotResumed;
  }
  if (!installer) return kExitUpgradeRan;
  if (!ran->exitCode) return kExitInstallerEndUnknown;
  if (*ran->exitCode != 0) return static_cast<int>(*ran->exitCode);
  // Engines of this family end with 0 after a failed silent install.
  if (setupLogFailure) return kExitInstallFailed;
  const bool restartAsked = uninstallExitCode == kExitRestartNeeded ||
                            uninstallExitCode == kExitRestartStarted;
  return restartAsked ? kExitRestartNeeded : kExitUpgradeRan;
}

int InstallStage::Run(std::optional<DWORD> uninstallExitCode) {
  if (installer_ != InstallerCheck::Startable || !process_) {
    LogEvent(log_, LogSeverity::Warning, [&] {
      return "install: no installer that can start was found (" +
             (command_.program.empty() ? std::string(kInstaller)
                                       : command_.program) +
             "); nothing was started";
    });
    return InstallExitCode(options_.exitCode, std::nullopt,
                           run_.previousInstall, false, uninstallExitCode);
  }
  if (process_->EndedUnrun()) {
    // Ended while it waited (an uninstaller may end every program of its
    // product's names): created again from the file still held.
    LogEvent(log_, LogSeverity::Warning, [&] {
      return "install: data.exe ended before it ran; it is created again";
    });
    process_.emplace(CreateSuspended(command_));
  }
  const SetupLogState before =
      setupLog_.empty() ? SetupLogState() : SetupLogStateOf(setupLog_);
  // Held until the process runs: from then on the system holds its file.
  const HelpersRun ran =
      ResumeAndWait(*process_, options_.helpersWaitSeconds, &held_);
  LogEvent(log_, InstallOutcomeSeverity(ran),
           [&] { return "install: " + RunOutcomeText(kInstaller, ran); });
  SetupLogResult written;
  if (ran.startError == ERROR_SUCCESS && ran.waitError == ERROR_SUCCESS) {
    LogEvent(log_,
             HelpersBoundReached(ran) ? LogSeverity::Warning
                                      : LogSeverity::Information,
             [&] {
               return "install: " +
                      HelpersWaitText(ran, options_.helpersWaitSeconds);
             });
    // Ended by the loader (a DLL it imports missing, one the uninstall took
    // with it): the installer never ran.
    if (const char* status =
            ran.exitCode ? LoaderEndingName(*ran.exitCode) : nullptr) {
      LogEvent(log_, LogSeverity::Failure, [&] {
        return std::string(
                   "install: data.exe never ran: the system's loader "
                   "ended it with ") +
               status;
      });
    }
    if (!setupLog_.empty()) {
      // Read once, now that its helpers ended.
      written = SetupLogWrittenSince(setupLog_, before);
      LogEvent(log_,
               ReportsFailure(written) ? LogSeverity::Failure
                                       : LogSeverity::Information,
               [&] { return "install: " + SetupLogText(written); });
    }
  }
  const int exitCode =
      InstallExitCode(options_.exitCode, ran, run_.previousInstall,
                      ReportsFailure(written), uninstallExitCode);
  if (exitCode == kExitInstallFailed && ran.exitCode == DWORD{0}) {
    LogEvent(log_, LogSeverity::Failure, [&] {
      return "install: data.exe ended with exit code 0 but its setup.log "
             "holds ResultCode=" +
             std::to_string(*written.resultCode) + ": exit code " +
             std::to_string(kExitInstallFailed);
    });
  }
  return exitCode;
}
