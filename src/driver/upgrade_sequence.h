// The upgrade: choosing the mode, removing the previous installation, and
// running the new installer.
#pragma once

#include "driver/upgrade.h"

// Silent for exactly one argument after the program name (a count of 2),
// Interactive for none and for two or more.
InstallMode ModeForArgumentCount(int count);

// The argument count of this process, program name included: split from the
// raw command line where the system hands one over, otherwise `argc` as the
// system split it.
int CountProgramArguments(int argc);

// The command that starts the new installer. Interactive: the bare name
// "data.exe", found by the system's program search. Silent: the installer in
// the module folder with the install response file beside it, started by its
// full path.
LaunchCommand BuildInstallCommand(InstallMode mode);

// Runs the whole upgrade once: when the information folder of `layout` exists,
// the previous installation is removed; then the installer is started for
// `mode` and waited for. Reports nothing.
void RunUpgrade(InstallLayout layout, InstallMode mode);
