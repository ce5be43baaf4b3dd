// Removing the previous installation through the installer engine's own
// maintenance program, then wiping the engine's information folder.
#pragma once

#include <optional>
#include <string>

#include "engine/setup_log.h"
#include "files/file_identity.h"
#include "launch/process_runner.h"
#include "log/upgrade_log.h"
#include "shared/exit_codes.h"
#include "shared/launch_command.h"
#include "shared/upgrade_choices.h"

// What placing the uninstall response file did.
struct ResponsePlacement {
  // The identity of the copy made; none when no copy was made.
  std::optional<FileIdentity> copy;
  // Why no copy was made: ERROR_FILE_NOT_FOUND when there is none beside the
  // program, ERROR_FILE_EXISTS when the information folder holds one already
  // (left by an earlier run, say), which the uninstaller then reads instead,
  // or the copy's own error.
  DWORD error = ERROR_SUCCESS;
};

// Copies "uninstall.iss" from `moduleFolder` into `infoFolder`, only when the
// source exists and never over a file already there, and clears the copy's
// read-only bit, which it takes from the source.
ResponsePlacement PlaceUninstallResponse(const std::string& moduleFolder,
                                         const std::string& infoFolder);

// For the log, why the distribution's uninstall.iss was not placed: "the
// distribution's uninstall.iss was not placed: the information folder holds
// an uninstall.iss already, which the uninstaller reads instead"; empty when
// it was placed or there is none to place.
std::string NotPlacedText(const ResponsePlacement& placement);

// The silent uninstall command: the maintenance program "setup.exe" in
// `infoFolder`, started by its full path, with the response file beside it.
LaunchCommand BuildUninstallCommand(const std::string& infoFolder);

// Checks, before anything is changed, that the removal cannot start this
// program over: kExitWouldStartItself when the program of `uninstall` is this
// program, at `ownPath`, or cannot be told from it, or is another build of it
// (it carries the marker).
std::optional<Refusal> CheckUninstallerIsNotThisProgram(
    const LaunchCommand& uninstall, const std::string& ownPath);

// Checks, before anything is changed, that the removal cannot take the new
// version with it: kExitInstallerCannotStart when the program's own folder is
// the information folder or lies inside it, or either cannot be told.
std::optional<Refusal> CheckOwnFolderOutside(const RunContext& run);

// Built to keep the previous version after a failed uninstall: why the
// uninstall `ran` counts as failed, or nothing when it may have worked. It
// failed when the system refused to start an uninstaller that is there (one
// that is not there, ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND, is nothing
// to run), when it ended with a status of the system's (0xC0000000 and up, a
// crash), when processes it started still ran at the helpers' bound, when the
// setup.log it wrote during the run (`written`) holds a
// ResultCode below 0 or none that can be read, or when
// `registrationNotRemoved` names a registration of the product that was
// there before and was not seen gone after.
std::optional<std::string> UninstallFailure(
    const HelpersRun& ran, const SetupLogResult& written,
    const std::string& registrationNotRemoved);

// What the removal did: whether it stopped the upgrade, and how the
// uninstaller ran.
struct RemovalResult {
  // kExitNeedsElevation when the uninstaller's start was refused for want of
  // elevation, kExitUninstallerTimedOut when it still ran at the options'
  // uninstall bound and was ended with what it started, or, built to keep the
  // previous version after a failed uninstall, kExitInstallFailed when
  // UninstallFailure finds one: nothing was
  // removed but the response file placed for it, if that is still the file
  // placed.
  std::optional<Refusal> refusal;
  HelpersRun uninstaller;
};

// Removes the previous installation in the information folder of `run`:
// places the response file from the program's folder, runs the silent
// `uninstall` (BuildUninstallCommand of that folder) and waits for it and for
// what it started, within the options' helpers' bound (RunAndWaitWithHelpers),
// resets the folder's own attributes and deletes the folder with everything in
// it. Every step runs whatever happened before, but for the refusals above.
// When the log or the options need it, what the uninstall left is looked at
// once it and its helpers ended: the setup.log it wrote in the folder, and the
// product's registrations, looked up before and after. When the folder is a
// link, nothing outside is changed: the copy of the response file that went
// through it is deleted after the uninstall, if it is still the file placed,
// the attributes are left alone, and only the link itself is removed. Each
// step is reported to `log`: the uninstall command, how the uninstaller and
// the wait for its helpers ended, the silent result it wrote to setup.log in
// the folder (read before the wipe takes it), what became of each
// registration that was there, and what stayed of the folder.
[[nodiscard]] RemovalResult RemovePreviousInstall(const RunContext& run,
                                                  LaunchCommand& uninstall,
                                                  const UpgradeOptions& options,
                                                  const UpgradeLog& log);
