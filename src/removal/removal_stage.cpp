#include "removal/removal_stage.h"

#include "launch/process_runner.h"
#include "launch/program_location.h"
#include "platform/win32_api.h"
#include "removal/file_find.h"
#include "removal/folder_tree.h"

namespace {

const char kMaintenanceProgram[] = "setup.exe";
const char kUninstallSwitches[] = " -s -uninst -f1";

// Only a start refused for want of elevation stops the upgrade, since then
// neither the deletion nor the installer could succeed; any other failure to
// start only skips the wait.
bool UninstallStartStopsTheUpgrade(DWORD startError) {
  return startError == ERROR_ELEVATION_REQUIRED;
}

}  // namespace

std::optional<FileIdentity> PlaceUninstallResponse(
    const std::string& moduleFolder, const std::string& infoFolder) {
  const std::string source = moduleFolder + "\\" + kUninstallResponse;
  CFileFind finder;
  std::optional<FileIdentity> placed;
  if (finder.FindFile(source.c_str())) {
    const std::string target = infoFolder + "\\" + kUninstallResponse;
    if (CopyFileA(source.c_str(), target.c_str(), TRUE)) {
      placed = EntryIdentity(target);
    }
  }
  finder.Close();
  return placed;
}

LaunchCommand BuildUninstallCommand(const std::string& infoFolder) {
  // I\setup.exe -s -uninst -f1"I\uninstall.iss"
  return ResponseFileCommand(infoFolder, kMaintenanceProgram,
                             kUninstallSwitches, kUninstallResponse);
}

RemovalResult RemovePreviousInstall(const std::string& infoFolder,
                                    unsigned helpersWaitSeconds) {
  RemovalResult result;
  const bool throughLink = !IsOwnFolder(infoFolder);
  const std::optional<FileIdentity> placed =
      PlaceUninstallResponse(ModuleFolder(), infoFolder);
  LaunchCommand uninstall = BuildUninstallCommand(infoFolder);
  result.uninstaller = RunAndWaitWithHelpers(uninstall, helpersWaitSeconds);
  result.stopsUpgrade =
      UninstallStartStopsTheUpgrade(result.uninstaller.startError);
  if (placed && (throughLink || result.stopsUpgrade)) {
    // The folder may lead elsewhere by now: only the copy placed goes.
    DeleteIfStillTheFile(infoFolder + "\\" + kUninstallResponse, *placed);
  }
  if (result.stopsUpgrade) return result;
  // Looked at again: the uninstaller may have changed what is there.
  if (IsOwnFolder(infoFolder)) {
    SetFileAttributesA(infoFolder.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  DeleteFolderTree(infoFolder);
  return result;
}
