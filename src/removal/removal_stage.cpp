#include "removal/removal_stage.h"

#include "launch/process_runner.h"
#include "launch/program_location.h"
#include "platform/win32_api.h"
#include "removal/file_find.h"
#include "removal/folder_tree.h"
#include "report/setup_log.h"

namespace {

const char kMaintenanceProgram[] = "setup.exe";
const char kUninstallSwitches[] = " -s -uninst -f1";
// Where the engine writes its silent result: beside the response file.
const char kSetupLog[] = "setup.log";
// How many of the entries that stayed after the wipe the log names.
const std::size_t kRemainsNamed = 5;

// Only a start refused for want of elevation stops the upgrade, since then
// neither the deletion nor the installer could succeed; any other failure to
// start only skips the wait.
bool UninstallStartStopsTheUpgrade(DWORD startError) {
  return startError == ERROR_ELEVATION_REQUIRED;
}

// "the information folder is gone", or what stayed of it.
std::string WipeText(const std::string& infoFolder) {
  if (!PathFileExistsA(infoFolder.c_str()))
    return "the information folder is gone";
  const FolderRemains remains = ListRemains(infoFolder, kRemainsNamed);
  std::string text = "the information folder stayed with " +
                     std::to_string(remains.count) + " entries";
  for (std::size_t i = 0; i < remains.first.size(); ++i) {
    text += (i == 0 ? ": " : ", ") + remains.first[i];
  }
  if (remains.count > remains.first.size()) text += ", ...";
  return text;
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
                                    unsigned helpersWaitSeconds,
                                    const UpgradeLog& log) {
  RemovalResult result;
  const bool throughLink = !IsOwnFolder(infoFolder);
  const std::optional<FileIdentity> placed =
      PlaceUninstallResponse(ModuleFolder(), infoFolder);
  LaunchCommand uninstall = BuildUninstallCommand(infoFolder);
  const std::string setupLog = infoFolder + "\\" + kSetupLog;
  const SetupLogState before =
      log.enabled() ? SetupLogStateOf(setupLog) : SetupLogState();
  LogEvent(log, [&] {
    return "uninstall: program " + uninstall.program + ", command line " +
           uninstall.line;
  });
  result.uninstaller = RunAndWaitWithHelpers(uninstall, helpersWaitSeconds);
  LogEvent(log, [&] {
    return "uninstall: " +
           RunOutcomeText(kMaintenanceProgram, result.uninstaller);
  });
  if (result.uninstaller.startError == ERROR_SUCCESS) {
    LogEvent(log, [&] {
      return "uninstall: " +
             HelpersWaitText(result.uninstaller, helpersWaitSeconds);
    });
    // Read now: the wipe takes it with the folder.
    LogEvent(log, [&] {
      const std::string text =
          SetupLogText(SetupLogWrittenSince(setupLog, before));
      return text.empty() ? "uninstall: it wrote no setup.log"
                          : "uninstall: " + text;
    });
  }
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
  LogEvent(log, [&] { return "wipe: " + WipeText(infoFolder); });
  return result;
}
