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
  LaunchCommand command;
  if (mode == InstallMode::Interactive) {
    command.line = kInstaller;
    return command;
  }
  // The line reads M\data.exe -s -f1"M\setup.iss": the program path unquoted,
  // the response file quoted, no blank before the quote. The separator is
  // added even after a drive root's own. Composed in a growable string, so a
  // module folder of any length gives the whole line.
  const std::string folder = ModuleFolder();
  command.program = folder + "\\" + kInstaller;
  command.line = command.program + kSilentSwitches + "\"" + folder + "\\" +
                 kInstallResponse + "\"";
  return command;
}

void RunUpgrade(InstallLayout layout, InstallMode mode) {
  const PathBuffer infoFolder = InfoFolderPath(layout);
  const bool previousInstall = PathFileExistsA(infoFolder.c_str()) != FALSE;
  const LaunchCommand install = BuildInstallCommand(mode);
  if (previousInstall) RemovePreviousInstall(infoFolder.c_str());
  RunAndWait(install);
}
