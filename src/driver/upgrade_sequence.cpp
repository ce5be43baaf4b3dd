#include "driver/upgrade_sequence.h"

#include <cctype>

#include "driver/exit_codes.h"
#include "driver/install_locations.h"
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
  return same ? kExitNamedAsInstaller : kExitUpgradeRan;
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
  LaunchCommand install = BuildInstallCommand(mode, ModuleFolder());
  if (previousInstall) {
    // Removing the old version with no new one to install would leave the
    // machine with neither.
    if (!ProgramIsThere(install)) return kExitInstallerMissing;
    if (RemovePreviousInstall(infoFolder.c_str(), options.helpersWaitSeconds)
            .stopsUpgrade) {
      return kExitNeedsElevation;
    }
  }
  RunAndWait(install);
  return kExitUpgradeRan;
}
