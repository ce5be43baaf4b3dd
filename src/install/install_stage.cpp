#include "install/install_stage.h"

#include "engine/engine_files.h"
#include "engine/response_command.h"
#include "engine/setup_log.h"
#include "files/open_entry.h"
#include "files/path_parts.h"
#include "launch/process_runner.h"
#include "launch/run_text.h"
#include "shared/exit_codes.h"

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
    : options_(options),
      log_(log),
      command_(BuildInstallCommand(run.mode, run.moduleFolder)) {
  if (command_.program.empty()) command_.program = SearchProgram(command_.line);
  installer_ = CheckInstaller(command_.program, run.ownPath, held_);
  if (run.mode == InstallMode::Silent) {
    BY_HANDLE_FILE_INFORMATION info;
    responseIsFile_ =
        DescribeOpenEntry(
            held_.Hold(PathIn(run.moduleFolder, kInstallResponse)), info) &&
        IsPlainFile(info);
    if (log.enabled()) setupLog_ = PathIn(run.moduleFolder, kSetupLog);
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

int InstallStage::Run() {
  const bool installer = options_.exitCode == ExitCodeChoice::Installer;
  if (installer_ != InstallerCheck::Startable) {
    LogEvent(log_, [&] {
      return "install: no installer that can start was found (" +
             (command_.program.empty() ? std::string(kInstaller)
                                       : command_.program) +
             "); nothing was started";
    });
    return installer ? kExitNoInstallerStarted : kExitUpgradeRan;
  }
  const SetupLogState before =
      setupLog_.empty() ? SetupLogState() : SetupLogStateOf(setupLog_);
  LogEvent(log_, [&] {
    return "install: program " + command_.program + ", command line " +
           command_.line;
  });
  const StartedProgram started = StartProgram(command_, 0);
  // Held until the process exists: from then on the system holds its file.
  held_.Release();
  const ProgramRun run = WaitForProgram(started);
  LogEvent(log_, [&] { return "install: " + RunOutcomeText(kInstaller, run); });
  if (!setupLog_.empty()) {
    LogEvent(log_, [&] {
      const std::string text =
          SetupLogText(SetupLogWrittenSince(setupLog_, before));
      return text.empty() ? "install: it wrote no setup.log"
                          : "install: " + text;
    });
  }
  if (!installer) return kExitUpgradeRan;
  if (run.startError != ERROR_SUCCESS) return kExitNoInstallerStarted;
  return run.exitCode ? static_cast<int>(*run.exitCode) : kExitUpgradeRan;
}
