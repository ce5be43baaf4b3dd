// Starting an outside program and waiting for it.
#pragma once

#include <optional>

#include "platform/owned_handle.h"
#include "platform/win32_api.h"
#include "shared/launch_command.h"

// How a run of a program went.
struct ProgramRun {
  // ERROR_SUCCESS when the program started; otherwise the system's error, and
  // nothing else was done.
  DWORD startError = ERROR_SUCCESS;
  // The program's own exit code, when it could be read.
  std::optional<DWORD> exitCode;
};

// A program the system was asked to start: its process and first thread, or
// the system's refusal. The handles close when it goes.
struct StartedProgram {
  DWORD startError = ERROR_SUCCESS;
  OwnedHandle process;
  OwnedHandle thread;
};

// Starts `command` with this process's environment and current folder and no
// inherited handles, with the system's `creationFlags`. The command's line is
// handed to the system as it is, which may write into it while it starts the
// program; nothing is allocated here, so the call works when memory has run
// out.
StartedProgram StartProgram(LaunchCommand& command, DWORD creationFlags);

// Waits without a time limit for the started program alone to end, and
// returns its exit code; a program that could not be started is not waited
// for, and its run reports the start's error.
ProgramRun WaitForProgram(const StartedProgram& started);

// How a run of RunAndWaitWithHelpers went.
struct HelpersRun : ProgramRun {
  // How the wait for the processes the program started ended.
  enum class Wait {
    Off,           // the bound is 0: the program alone was waited for
    Untracked,     // no job could hold the program: it alone was waited for
    AllGone,       // all had ended after `helpersMs`
    BoundReached,  // `helpersLeft` still ran when the bound was reached
  };
  Wait helpers = Wait::Off;
  DWORD helpersMs = 0;
  DWORD helpersLeft = 0;
};

// Starts `command` as StartProgram does, inside a job that takes in every
// process it starts, and waits without a time limit for it to end. Then waits
// for the job to have no process left, looking every 100 ms, for at most
// `helpersWaitSeconds`; past that it returns while they run. With 0, or when
// no job can be made for it (the system may refuse one to a process that is
// itself in a job), it waits for the program alone. Processes may break away
// from the job when they ask to, and closing it ends none. Every handle is
// closed on return.
HelpersRun RunAndWaitWithHelpers(LaunchCommand& command,
                                 unsigned helpersWaitSeconds);

// Test seam: while a hook is set, each start asks it first; a non-zero answer
// is taken as the system's refusal with that error, and nothing is started.
// Returns the hook it replaces; null turns it off.
using StartHook = DWORD (*)(const LaunchCommand& command);
StartHook SetStartHookForTesting(StartHook hook);
