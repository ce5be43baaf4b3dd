// Starting an outside program and waiting for it.
#pragma once

#include "launch/file_hold.h"
#include "platform/win32_api.h"
#include "shared/launch_command.h"

// Starts `command` with this process's environment and current folder and no
// inherited handles, then waits without a time limit for that process alone to
// end. Returns ERROR_SUCCESS when it started, otherwise the error the system
// gave for the start; a program that cannot be started is not waited for, and
// the exit code of one that ran is not read. `heldUntilStarted`, when given,
// is released as soon as the process exists or the system refused to start
// it.
// The command's line is handed to the system as it is, which may write into it
// while it starts the program; nothing is allocated here, so the call works
// when memory has run out.
DWORD RunAndWait(LaunchCommand& command, FileHold* heldUntilStarted = nullptr);

// Test seam: while a hook is set, each start asks it first; a non-zero answer
// is taken as the system's refusal with that error, and nothing is started.
// Returns the hook it replaces; null turns it off.
using StartHook = DWORD (*)(const LaunchCommand& command);
StartHook SetStartHookForTesting(StartHook hook);
