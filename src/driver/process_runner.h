// Starting an outside program and waiting for it.
#pragma once

#include "driver/upgrade.h"

// Starts `command` with this process's environment and current folder and no
// inherited handles, then waits without a time limit for that process alone to
// end. Reports nothing: a program that cannot be started is simply not waited
// for, and the exit code of one that ran is not read.
void RunAndWait(const LaunchCommand& command);
