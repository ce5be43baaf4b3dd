#include "driver/upgrade_sequence.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "driver/exit_codes.h"
#include "driver/install_locations.h"
#include "launch/file_hold.h"
#include "launch/file_identity.h"
#include "launch/installer_check.h"
#include "launch/process_runner.h"
#include "launch/program_location.h"
#include "platform/win32_api.h"
#include "product_code.h"
#include "removal/removal_stage.h"
#include "report/setup_log.h"
#include "report/upgrade_log.h"
#include "shared/command_line.h"

namespace {

const char kInstaller[] = "data.exe";
const char kSilentSwitches[] = " -s -f1";
const char kInstallResponse[] = "setup.iss";
const char kSetupLog[] = "setup.log";

bool SystemLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

// Whether every path this run composes from the module folder stays within
// the system's path limit: the installer and its response file in silent
// mode, the uninstall response file when a previous version is there.
bool CompanionPathsFit(const std::string& moduleFolder, InstallMode mode,
                       bool previousInstall) {
  std::size_t longestName = 0;
  if (mode == InstallMode::Silent) {
    longestName =
        std::max(std::strlen(kInstaller), std::strlen(kInstallResponse));
  }
  if (previousInstall) {
    longestName = std::max(longestName, std::strlen(kUninstallResponse));
  }
  return longestName == 0 || moduleFolder.size() + 1 + longestName < MAX_PATH;
}

// Whether `file`, a handle or INVALID_HANDLE_VALUE, is open on a file of
// its own: not a folder, a link or a device.
bool IsRegularFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  return file != INVALID_HANDLE_VALUE &&
         GetFileInformationByHandle(file, &info) &&
         (info.dwFileAttributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
           FILE_ATTRIBUTE_DEVICE)) == 0;
}

// Ends the run with the refusal `code`, having done nothing more, and says
// why in the log.
int Refuse(const UpgradeLog& log, int code, const char* reason) {
  LogEvent(log, [&] {
    return "refused with exit code " + std::to_string(code) + ": " + reason;
  });
  return code;
}

// The log's first line of a run: what the program is and found.
std::string StartText(InstallLayout layout, int argumentCount, InstallMode mode,
                      const std::string& infoFolder, bool previousInstall) {
  const std::string own = OwnProgramPath();
  const int arguments = argumentCount - 1;
  return "start: program " + (own.empty() ? "(path not read exactly)" : own) +
         ", product " + UPGRADE_PRODUCT_CODE + ", " +
         std::to_string(arguments) +
         (arguments == 1 ? " argument, " : " arguments, ") +
         (mode == InstallMode::Silent ? "silent" : "interactive") +
         " install, " +
         (layout == InstallLayout::Layout64 ? "64-bit" : "32-bit") +
         " layout, information folder " + infoFolder +
         (previousInstall ? " (there)" : " (not there)");
}

// Starts the checked and held installer and waits for it; returns the exit
// code the options ask for. `setupLog`, composed before anything was removed,
// is where a silent install writes its result when the log wants it, or
// empty.
int Install(LaunchCommand& install, FileHold& held, const std::string& setupLog,
            const UpgradeOptions& options, const UpgradeLog& log) {
  const SetupLogState before =
      setupLog.empty() ? SetupLogState() : SetupLogStateOf(setupLog);
  LogEvent(log, [&] {
    return "install: program " + install.program + ", command line " +
           install.line;
  });
  const ProgramRun run = RunAndWait(install, &held);
  LogEvent(log, [&] { return "install: " + RunOutcomeText(kInstaller, run); });
  if (!setupLog.empty()) {
    LogEvent(log, [&] {
      const std::string text =
          SetupLogText(SetupLogWrittenSince(setupLog, before));
      return text.empty() ? "install: it wrote no setup.log"
                          : "install: " + text;
    });
  }
  if (options.exitCode == ExitCodeChoice::Classic) return kExitUpgradeRan;
  if (run.startError != ERROR_SUCCESS) return kExitNoInstallerStarted;
  return run.exitCode ? static_cast<int>(*run.exitCode) : kExitUpgradeRan;
}

}  // namespace

int CheckOwnPlacement() {
  const std::string name = OwnProgramName();
  if (name.empty()) return kExitOwnPathNotExact;
  // Letters compared by their ASCII case only: no byte of a double-byte
  // character can spell the installer's name.
  const std::string installer = kInstaller;
  bool same = name.size() == installer.size();
  for (std::size_t i = 0; same && i < name.size(); ++i) {
    same = std::tolower(static_cast<unsigned char>(name[i])) == installer[i];
  }
  return same ? kExitWouldStartItself : kExitUpgradeRan;
}

InstallMode ModeForArgumentCount(int count) {
  return count == 2 ? InstallMode::Silent : InstallMode::Interactive;
}

int CountProgramArguments(int argc) {
  const char* line = RawCommandLine();
  if (line == nullptr) return argc;
  return CountArguments(line, OwnProgramPath().c_str(), SystemLeadByte);
}

LaunchCommand BuildInstallCommand(InstallMode mode,
                                  const std::string& moduleFolder) {
  // The bare name leaves the system to search for the installer.
  if (mode == InstallMode::Interactive) return LaunchCommand{"", kInstaller};
  // M\data.exe -s -f1"M\setup.iss"
  return ResponseFileCommand(moduleFolder, kInstaller, kSilentSwitches,
                             kInstallResponse);
}

int RunUpgrade(InstallLayout layout, int argumentCount,
               const UpgradeOptions& options, const UpgradeLog& log) {
  const InstallMode mode = ModeForArgumentCount(argumentCount);
  const PathBuffer infoFolder = InfoFolderPath(layout);
  const bool previousInstall = PathFileExistsA(infoFolder.c_str()) != FALSE;
  LogEvent(log, [&] {
    return StartText(layout, argumentCount, mode, infoFolder.c_str(),
                     previousInstall);
  });
  const int placement = CheckOwnPlacement();
  if (placement == kExitOwnPathNotExact) {
    return Refuse(log, placement, "its own path cannot be read exactly");
  }
  if (placement == kExitWouldStartItself) {
    return Refuse(log, placement,
                  "it is itself named data.exe, the installer it starts");
  }
  const std::string moduleFolder = ModuleFolder();
  if (!CompanionPathsFit(moduleFolder, mode, previousInstall)) {
    return Refuse(log, kExitOwnPathNotExact,
                  "a path it composes from its own folder would pass the "
                  "path limit");
  }
  LaunchCommand install = BuildInstallCommand(mode, moduleFolder);
  // Found once and started by that full path, so that the file checked and
  // held is the file started; the line stays as it is.
  if (install.program.empty()) install.program = SearchProgram(install.line);
  FileHold held;
  const InstallerCheck installer = CheckInstaller(install.program, held);
  if (installer == InstallerCheck::ThisProgram) {
    return Refuse(log, kExitWouldStartItself,
                  "the installer it would start is this program, or cannot "
                  "be told from it");
  }
  const bool responseReadable =
      mode == InstallMode::Interactive ||
      IsRegularFile(held.Hold(moduleFolder + "\\" + kInstallResponse));
  const bool startable = installer == InstallerCheck::Startable;
  // Composed now: after the removal nothing may keep the installer from
  // starting, not even memory running out.
  const std::string installSetupLog =
      mode == InstallMode::Silent && log.enabled()
          ? moduleFolder + "\\" + kSetupLog
          : std::string();
  if (previousInstall) {
    const std::string info = infoFolder.c_str();
    if (IsThisProgram(BuildUninstallCommand(info).program)) {
      return Refuse(log, kExitWouldStartItself,
                    "the uninstaller it would start is this program, or "
                    "cannot be told from it");
    }
    // Removing the old version with no new one to start after it would leave
    // the machine with neither.
    if (!startable) {
      return Refuse(log, kExitInstallerCannotStart,
                    "the installer cannot be started");
    }
    if (!responseReadable) {
      return Refuse(log, kExitInstallerCannotStart,
                    "the install response file setup.iss is not a file");
    }
    if (FolderIsOrLiesWithin(moduleFolder, info)) {
      return Refuse(log, kExitInstallerCannotStart,
                    "its own folder is the information folder or lies in it");
    }
    if (RemovePreviousInstall(info, options.helpersWaitSeconds, log)
            .stopsUpgrade) {
      return Refuse(log, kExitNeedsElevation,
                    "the uninstaller needs elevation");
    }
  } else if (!startable) {
    LogEvent(log, [&] {
      return "install: no installer that can start was found (" +
             (install.program.empty() ? std::string(kInstaller)
                                      : install.program) +
             "); nothing was started";
    });
    return options.exitCode == ExitCodeChoice::Installer
               ? kExitNoInstallerStarted
               : kExitUpgradeRan;
  }
  return Install(install, held, installSetupLog, options, log);
}
