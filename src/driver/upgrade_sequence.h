// The upgrade: choosing the mode, removing the previous installation, and
// running the new installer.
#pragma once

#include <string>

#include "driver/upgrade.h"
#include "report/upgrade_log.h"
#include "shared/launch_command.h"

// Whether the program may run at all, checked before anything else is done:
// kExitOwnPathNotExact when its own path cannot be read exactly,
// kExitWouldStartItself when it is itself named "data.exe" (in any case), so
// that it would start itself; otherwise kExitUpgradeRan.
int CheckOwnPlacement();

// Silent for exactly one argument after the program name (a count of 2),
// Interactive for none and for two or more.
InstallMode ModeForArgumentCount(int count);

// The argument count of this process, program name included: split from the
// raw command line where the system hands one over, otherwise `argc` as the
// system split it.
int CountProgramArguments(int argc);

// The command that starts the new installer. Interactive: the bare name
// "data.exe", found by the system's program search. Silent: the installer in
// `moduleFolder` with the install response file beside it, started by its
// full path: D:\Setup\data.exe -s -f1"D:\Setup\setup.iss".
LaunchCommand BuildInstallCommand(InstallMode mode,
                                  const std::string& moduleFolder);

// Runs the whole upgrade once for a process started with `argumentCount`
// arguments (its name included): when the information folder of `layout`
// exists, the previous installation is removed; then the installer is started
// for the mode the count gives and waited for. Everything the installer stage
// needs is composed, and the installer found, checked and held, before
// anything is removed; it is started by the full path checked. Each step is
// reported to `log`. Returns the exit code; nothing is placed, removed or
// started for a refusal:
// - kExitOwnPathNotExact when its own path cannot be read exactly, or a path
//   composed from the module folder would pass the system's path limit;
// - kExitWouldStartItself when it is itself named "data.exe", or the
//   installer, or with a previous version the uninstaller, is this program's
//   own file;
// - kExitInstallerCannotStart when a previous version is there and the
//   installer cannot start, or the module folder is the information folder or
//   lies inside it; without a previous version such an installer is not
//   started;
// - kExitNeedsElevation when the uninstaller cannot start for want of
//   elevation.
// Otherwise, as `options` choose: kExitUpgradeRan, or the installer's own exit
// code, kExitNoInstallerStarted when none could be started.
int RunUpgrade(InstallLayout layout, int argumentCount,
               const UpgradeOptions& options, const UpgradeLog& log);
