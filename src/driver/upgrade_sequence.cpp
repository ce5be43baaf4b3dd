#include "driver/upgrade_sequence.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "driver/windows_installer.h"
#include "engine/engine_files.h"
#include "engine/install_locations.h"
#include "files/path_parts.h"
#include "files/program_location.h"
#include "install/install_stage.h"
#include "platform/win32_api.h"
#include "product_code.h"
#include "removal/removal_stage.h"
#include "shared/command_line.h"
#include "shared/exit_codes.h"

namespace {

bool SystemLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

// Whether every path this run composes from the module folder stays within
// the system's path limit: the installer and its response file in silent
// mode, the uninstall response file when a previous version is there.
bool CompanionPathsFit(const RunContext& run) {
  std::size_t longestName = 0;
  if (run.mode == InstallMode::Silent) {
    longestName =
        std::max(std::strlen(kInstaller), std::strlen(kInstallResponse));
  }
  if (run.previousInstall) {
    longestName = std::max(longestName, std::strlen(kUninstallResponse));
  }
  return longestName == 0 ||
         run.moduleFolder.size() + 1 + longestName < MAX_PATH;
}

// Whether `name` is the installer's, its letters compared by their ASCII
// case only: no byte of a double-byte character can spell it.
bool IsInstallerName(const std::string& name) {
  const std::string installer = kInstaller;
  if (name.size() != installer.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != installer[i]) {
      return false;
    }
  }
  return true;
}

// The log's first line of a run: what the program is and found.
std::string StartText(const RunContext& run) {
  const int arguments = run.argumentCount - 1;
  return "start: program " +
         (run.ownPath.empty() ? "(path not read exactly)" : run.ownPath) +
         ", product " + UPGRADE_PRODUCT_CODE + ", " +
         std::to_string(arguments) +
         (arguments == 1 ? " argument, " : " arguments, ") +
         (run.mode == InstallMode::Silent ? "silent" : "interactive") +
         " install, " +
         (run.layout == InstallLayout::Layout64 ? "64-bit" : "32-bit") +
         " layout, information folder " + run.infoFolder +
         (run.previousInstall ? " (there)" : " (not there)");
}

// The checks that come before anything is changed, in their order; the first
// refusal ends the run. The removal's own come only where there is one.
std::optional<Refusal> ChecksBeforeAnyChange(const RunContext& run,
                                             const InstallStage& install,
                                             const LaunchCommand& uninstall) {
  if (auto refusal = install.CheckNotThisProgram()) return refusal;
  if (!run.previousInstall) return std::nullopt;
  if (auto refusal = CheckUninstallerIsNotThisProgram(uninstall, run.ownPath)) {
    return refusal;
  }
  if (auto refusal = install.CheckStartable()) return refusal;
  return CheckOwnFolderOutside(run);
}

// Ends the run with `refusal`, having done nothing more, and says why in the
// log.
int Refuse(const UpgradeLog& log, const Refusal& refusal) {
  LogEvent(log, LogSeverity::Failure, [&] {
    return "refused with exit code " + std::to_string(refusal.exitCode) + ": " +
           refusal.reason +
           (refusal.systemError == 0
                ? ""
                : " (error " + std::to_string(refusal.systemError) + ")");
  });
  return refusal.exitCode;
}

}  // namespace

InstallMode ModeForArgumentCount(int count) {
  return count == 2 ? InstallMode::Silent : InstallMode::Interactive;
}

int CountProgramArguments(int argc, const std::string& ownPath) {
  const char* line = RawCommandLine();
  if (line == nullptr) return argc;
  return CountArguments(line, ownPath.c_str(), SystemLeadByte);
}

RunContext FindRunContext(InstallLayout layout, int argc) {
  RunContext run;
  run.ownPath = OwnProgramPath();
  run.moduleFolder = FolderOf(run.ownPath);
  run.argumentCount = CountProgramArguments(argc, run.ownPath);
  run.mode = ModeForArgumentCount(run.argumentCount);
  run.layout = layout;
  run.infoFolder = InfoFolderPath(layout);
  run.previousInstall = PathFileExistsA(run.infoFolder.c_str()) != FALSE;
  return run;
}

std::optional<Refusal> CheckPaths(const RunContext& run) {
  if (run.ownPath.empty()) {
    return Refusal{kExitOwnPathNotExact, "its own path cannot be read exactly"};
  }
  if (!IsAbsolutePath(run.ownPath)) {
    return Refusal{kExitOwnPathNotExact, "its own path is not absolute"};
  }
  if (!IsAbsolutePath(run.infoFolder)) {
    return Refusal{kExitOwnPathNotExact,
                   "the system folder is not an absolute drive path"};
  }
  if (IsInstallerName(LastPartOf(run.ownPath))) {
    return Refusal{kExitWouldStartItself,
                   "it is itself named data.exe, the installer it starts"};
  }
  if (!CompanionPathsFit(run)) {
    return Refusal{kExitOwnPathNotExact,
                   "a path it composes from its own folder would pass the "
                   "path limit"};
  }
  return std::nullopt;
}

int RunUpgrade(const RunContext& run, const ProductLock& lock,
               const UpgradeOptions& options, const UpgradeLog& log) {
  LogEvent(log, [&] { return StartText(run); });
  if (auto refusal = lock.Check()) return Refuse(log, *refusal);
  if (auto refusal = CheckPaths(run)) return Refuse(log, *refusal);
  InstallStage install(run, options, log);
  LaunchCommand uninstall = BuildUninstallCommand(run.infoFolder);
  install.FindAndHoldInstaller();
  if (auto refusal = ChecksBeforeAnyChange(run, install, uninstall)) {
    return Refuse(log, *refusal);
  }
  // Looked at last before the first change, to keep the race short.
  if (auto refusal = WaitForWindowsInstaller(options.msiWaitSeconds, log)) {
    return Refuse(log, *refusal);
  }
  // The loader's verdict, before anything is removed.
  if (auto refusal = install.CreateInstaller()) return Refuse(log, *refusal);
  std::optional<DWORD> uninstallExitCode;
  if (run.previousInstall) {
    const RemovalResult removal =
        RemovePreviousInstall(run, uninstall, options, log);
    if (removal.refusal) return Refuse(log, *removal.refusal);
    uninstallExitCode = removal.uninstaller.exitCode;
  }
  return install.Run(uninstallExitCode);
}
