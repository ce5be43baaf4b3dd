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
#include "removal/removal_stage.h"
#include "shared/command_line.h"

namespace {

const char kInstaller[] = "data.exe";
const char kSilentSwitches[] = " -s -f1";
const char kInstallResponse[] = "setup.iss";

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

int RunUpgrade(InstallLayout layout, InstallMode mode,
               const UpgradeOptions& options) {
  const PathBuffer infoFolder = InfoFolderPath(layout);
  const bool previousInstall = PathFileExistsA(infoFolder.c_str()) != FALSE;
  const std::string moduleFolder = ModuleFolder();
  if (!CompanionPathsFit(moduleFolder, mode, previousInstall)) {
    return kExitOwnPathNotExact;
  }
  LaunchCommand install = BuildInstallCommand(mode, moduleFolder);
  // Found once and started by that full path, so that the file checked and
  // held is the file started; the line stays as it is.
  if (install.program.empty()) install.program = SearchProgram(install.line);
  FileHold held;
  const InstallerCheck installer = CheckInstaller(install.program, held);
  if (installer == InstallerCheck::ThisProgram) return kExitWouldStartItself;
  if (mode == InstallMode::Silent) {
    held.Hold(moduleFolder + "\\" + kInstallResponse);
  }
  if (previousInstall) {
    const std::string info = infoFolder.c_str();
    if (IsThisProgram(BuildUninstallCommand(info).program)) {
      return kExitWouldStartItself;
    }
    // Removing the old version with no new one to start after it would leave
    // the machine with neither.
    if (installer != InstallerCheck::Startable ||
        FolderIsOrLiesWithin(moduleFolder, info)) {
      return kExitInstallerCannotStart;
    }
    if (RemovePreviousInstall(info, options.helpersWaitSeconds).stopsUpgrade) {
      return kExitNeedsElevation;
    }
  } else if (installer != InstallerCheck::Startable) {
    return kExitUpgradeRan;
  }
  RunAndWait(install, &held);
  return kExitUpgradeRan;
}
