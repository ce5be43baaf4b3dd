// Starting an outside program and waiting for it.
#pragma once

#include <optional>
#include <string>

#include "files/file_hold.h"
#include "platform/owned_handle.h"
#include "platform/win32_api.h"
#include "shared/launch_command.h"

// How a run of a program went.
struct ProgramRun {
  // ERROR_SUCCESS when the program started; otherwise the system's error, and
  // nothing else was done: its creation was refused, or the program created
  // could not be resumed and was ended before it ran.
  DWORD startError = ERROR_SUCCESS;
  // ERROR_SUCCESS when the wait saw the program end; otherwise the wait
  // failed with this error, and the program may still run.
  DWORD waitError = ERROR_SUCCESS;
  // The program's own exit code, when it could be read.
  std::optional<DWORD> exitCode;
  // Whether it still ran when its own bound was reached, and was ended with
  // every process of its job: its exit code is then not its own.
  bool endedAtBound = false;
};

// How a run of a program and of what it started went.
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

// A program created suspended: it exists, the loader has accepted its image,
// and it has run no code. Unless it is resumed, it is ended when this goes,
// and, held in a job until then, when this program ends in any other way
// (memory running out, or killed); its handles close then too.
class StartedProgram {
 public:
  StartedProgram() = default;
  StartedProgram(StartedProgram&& other) noexcept;
  StartedProgram& operator=(StartedProgram&&) = delete;
  ~StartedProgram();

  // ERROR_SUCCESS when the process exists; otherwise the system's refusal.
  DWORD startError = ERROR_SUCCESS;

  // Whether the process was created and has ended without being resumed:
  // something else ended it while it waited.
  bool EndedUnrun() const;

 private:
  friend StartedProgram CreateSuspended(LaunchCommand& command);
  friend HelpersRun ResumeAndWait(StartedProgram& started,
                                  unsigned helpersWaitSeconds,
                                  FileHold* releasedOnResume,
                                  unsigned programWaitSeconds);
  std::string program_;
  OwnedHandle process_;
  OwnedHandle thread_;
  OwnedHandle job_;
  bool resumed_ = false;
};

// Creates the process of `command` suspended, with this process's
// environment and current folder and no inherited handles: the system's
// loader decides now whether the program can start. The command's line is
// handed to the system as it is, which may write into it.
StartedProgram CreateSuspended(LaunchCommand& command);

// Resumes the program created suspended, held in a job that takes in every
// process it starts, then lets it outlive this program, releases
// `releasedOnResume` (when given: what kept its files from change until it
// ran) as soon as it runs, and waits for it to end: without a time limit, or
// with `programWaitSeconds` for at most that; still running then, it is ended
// with every process of its job (or alone without one), given 10 s to go, and
// its run says `endedAtBound` (a failed wait when it did not go). Then waits
// for the job to have no process left,
// looking every 100 ms, for at most `helpersWaitSeconds`; past that it returns
// while they run. With 0, or when no job can be made for it (the system may
// refuse one to a process that is itself in a job), it waits for the program
// alone. Processes may break away from the job when they ask to, and closing it
// ends none. A program that was not created is not waited for; one that cannot
// be resumed is ended, and its run reports the resume's error as the start's.
// Nothing is allocated, so the call works when memory has run out.
HelpersRun ResumeAndWait(StartedProgram& started, unsigned helpersWaitSeconds,
                         FileHold* releasedOnResume = nullptr,
                         unsigned programWaitSeconds = 0);

// Creates `command` suspended and runs it as ResumeAndWait does.
HelpersRun RunAndWaitWithHelpers(LaunchCommand& command,
                                 unsigned helpersWaitSeconds,
                                 unsigned programWaitSeconds = 0);

// "data.exe ended with exit code 3010", "setup.exe could not be started:
// error 740", for the program `name` and its run.
std::string RunOutcomeText(const char* name, const ProgramRun& run);

// When `exitCode` is one of the statuses with which the system's loader ends
// a process it could not get to run (a DLL or a function it imports missing,
// an image it cannot load, a DLL that fails to start), the status and what it
// means, for the log: "0xC0000135 (a DLL it imports was not found)".
// Otherwise null: the program's own code ran.
const char* LoaderEndingName(DWORD exitCode);

// How the wait for what a program started ended, within the bound of
// `seconds`.
std::string HelpersWaitText(const HelpersRun& run, unsigned seconds);

// Whether the wait for what a program started reached its bound: the run
// goes on while they still run.
bool HelpersBoundReached(const HelpersRun& run);

// Test seam: while a hook is set, each step of a program's run asks it
// first, naming the program's path; a non-zero answer is taken as the
// system's failure of that step with that error: the creation is refused, the
// resume fails, the job keeps ending the program with this one (LetGo, asked
// right after the resume), the wait fails, or the exit code cannot be read.
// Returns the hook it replaces; null turns it off.
enum class RunStep { Create, Resume, LetGo, Wait, ExitCode };
using StartHook = DWORD (*)(const std::string& program, RunStep step);
StartHook SetStartHookForTesting(StartHook hook);
