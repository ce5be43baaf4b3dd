// Removing the previous installation through the installer engine's own
// maintenance program, then wiping the engine's information folder.
#pragma once

#include <optional>
#include <string>

#include "launch/file_identity.h"
#include "launch/process_runner.h"
#include "platform/win32_api.h"
#include "report/upgrade_log.h"
#include "shared/launch_command.h"

// The uninstall response file's name, beside the program and in the
// information folder.
inline constexpr char kUninstallResponse[] = "uninstall.iss";

// Copies "uninstall.iss" from `moduleFolder` into `infoFolder`, only when the
// source exists and never over a file already there. Returns the identity of
// the copy made; none when no copy was made.
std::optional<FileIdentity> PlaceUninstallResponse(
    const std::string& moduleFolder, const std::string& infoFolder);

// The silent uninstall command: the maintenance program "setup.exe" in
// `infoFolder`, started by its full path, with the response file beside it.
LaunchCommand BuildUninstallCommand(const std::string& infoFolder);

// What the removal did: whether it stopped the upgrade, and how the
// uninstaller ran.
struct RemovalResult {
  // The uninstaller's start was refused for want of elevation: nothing was
  // removed but the response file placed for it, if that is still the file
  // placed.
  bool stopsUpgrade = false;
  HelpersRun uninstaller;
};

// Places the response file, runs the silent uninstall and waits for it and
// for what it started, within `helpersWaitSeconds` (RunAndWaitWithHelpers),
// resets the folder's own attributes and deletes the folder with everything
// in it. Every step runs whatever happened before. When the folder is a
// link, nothing outside is changed: the copy of the response file that went
// through it is deleted after the uninstall, if it is still the file placed,
// the attributes are left alone, and only the link itself is removed. Each
// step is reported to `log`: the uninstall command, how the uninstaller and
// the wait for its helpers ended, the silent result it wrote to setup.log in
// the folder (read before the wipe takes it), and what stayed of the folder.
[[nodiscard]] RemovalResult RemovePreviousInstall(const std::string& infoFolder,
                                                  unsigned helpersWaitSeconds,
                                                  const UpgradeLog& log);
