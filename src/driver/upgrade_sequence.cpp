#include "driver/upgrade_sequence.h"

#include "driver/command_line.h"
#include "driver/install_locations.h"
#include "driver/process_runner.h"
#include "platform/win32_api.h"
#include "removal/removal_stage.h"

namespace {

const char kInstaller[] = "data.exe";
const char kSilentSwitches[] = " -s -f1";
const char kInstallResponse[] = "setup.iss";

bool SystemLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

}  // namespace

InstallMode ModeForArgumentCount(int count) {
  return count == 2 ? InstallMode::Silent : InstallMode::Interactive;
}

int CountProgramArguments(int argc) {
  const char* line = RawCommandLine();
  if (line == nullptr) return argc;
  char ownPath[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
  return CountArguments(line, ownPath, SystemLeadByte);
}

LaunchCommand BuildInstallCommand(InstallMode mode) {
  // The bare name leaves the system to search for the installer.
  if (mode == InstallMode::Interactive) return LaunchCommand{"", kInstaller};
  // M\data.exe -s -f1"M\setup.iss"
  return ResponseFileCommand(ModuleFolder(), kInstaller, kSilentSwitches,
                             kInstallResponse);
}

void RunUpgrade(InstallLayout layout, InstallMode mode) {
  const PathBuffer infoFolder = InfoFolderPath(layout);
  const bool previousInstall = PathFileExistsA(infoFolder.c_str()) != FALSE;
  const LaunchCommand install = BuildInstallCommand(mode);
  if (previousInstall) RemovePreviousInstall(infoFolder.c_str());
  RunAndWait(install);
}
