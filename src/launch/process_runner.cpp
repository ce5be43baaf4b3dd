#include "launch/process_runner.h"

#include <utility>

namespace {

const DWORD kHelpersLookMs = 100;
// How long a process ended before it ran, or at its bound, may take to go.
const DWORD kEndingBoundMs = 10000;
// The exit code a program ended at its bound is given.
const UINT kEndedAtBoundExitCode = 1;

StartHook startHook = nullptr;

// The loader's statuses for an image it could not get to run: its
// STATUS_DLL_NOT_FOUND, STATUS_ORDINAL_NOT_FOUND, STATUS_ENTRYPOINT_NOT_FOUND,
// STATUS_INVALID_IMAGE_FORMAT and STATUS_DLL_INIT_FAILED.
const DWORD kStatusDllNotFound = 0xC0000135;
const DWORD kStatusOrdinalNotFound = 0xC0000138;
const DWORD kStatusEntryPointNotFound = 0xC0000139;
const DWORD kStatusInvalidImageFormat = 0xC000007B;
const DWORD kStatusDllInitFailed = 0xC0000142;

// Sets the limits of `job`: its processes may break away on request, and,
// with `killOnClose`, all end when the last handle to it closes.
bool LimitJob(HANDLE job, bool killOnClose) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_BREAKAWAY_OK |
      (killOnClose ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0);
  return SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                 &limits, sizeof limits) != FALSE;
}

// A job holding `process` that ends it when this program ends, however it
// ends, or none when the system refuses to make, limit or assign one.
OwnedHandle JobEndingWithThisProgram(HANDLE process) {
  OwnedHandle job(CreateJobObjectA(nullptr, nullptr));
  if (job.valid() && (!LimitJob(job.get(), true) ||
                      !AssignProcessToJobObject(job.get(), process))) {
    job.Reset();
  }
  return job;
}

// Waits for `job` to have no process left, for at most `boundMs`.
void WaitForJobToEmpty(HANDLE job, DWORD boundMs, HelpersRun& run) {
  const DWORD start = GetTickCount();
  for (;;) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation,
                                   &accounting, sizeof accounting, nullptr)) {
      run.helpers = HelpersRun::Wait::Untracked;
      return;
    }
    const DWORD waited = GetTickCount() - start;
    run.helpersMs = waited;
    if (accounting.ActiveProcesses == 0) {
      run.helpers = HelpersRun::Wait::AllGone;
      return;
    }
    if (waited >= boundMs) {
      run.helpers = HelpersRun::Wait::BoundReached;
      run.helpersLeft = accounting.ActiveProcesses;
      return;
    }
    Sleep(boundMs - waited < kHelpersLookMs ? boundMs - waited
                                            : kHelpersLookMs);
  }
}

// Ends `process`, still running at its bound, with every process of `job`
// (or alone without one), and waits for it to go: `run` then says
// `endedAtBound` and how the job emptied; otherwise the wait failed.
void EndAtBound(HANDLE process, HANDLE job, HelpersRun& run) {
  if (job != nullptr) {
    TerminateJobObject(job, kEndedAtBoundExitCode);
  } else {
    TerminateProcess(process, kEndedAtBoundExitCode);
  }
  if (WaitForSingleObject(process, kEndingBoundMs) != WAIT_OBJECT_0) {
    run.waitError = GetLastError();
    if (run.waitError == ERROR_SUCCESS) run.waitError = WAIT_TIMEOUT;
    return;
  }
  run.endedAtBound = true;
  run.helpers = HelpersRun::Wait::Untracked;
  if (job != nullptr) WaitForJobToEmpty(job, kEndingBoundMs, run);
}

// What the test hook says of `step` of the run of `program`; ERROR_SUCCESS
// without a hook.
DWORD HookSays(const std::string& program, RunStep step) {
  return startHook != nullptr ? startHook(program, step)
                              : static_cast<DWORD>(ERROR_SUCCESS);
}

}  // namespace

StartedProgram::StartedProgram(StartedProgram&& other) noexcept
    : startError(other.startError),
      program_(std::move(other.program_)),
      process_(std::move(other.process_)),
      thread_(std::move(other.thread_)),
      job_(std::move(other.job_)),
      resumed_(other.resumed_) {}

StartedProgram::~StartedProgram() {
  // It has run no code: ending it undoes nothing of its own. The system ends
  // it after the call returns; waited for, it is gone, and its file free,
  // before the program goes on.
  if (process_.valid() && !resumed_ && TerminateProcess(process_.get(), 1)) {
    WaitForSingleObject(process_.get(), kEndingBoundMs);
  }
}

bool StartedProgram::EndedUnrun() const {
  return process_.valid() && !resumed_ &&
         WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

StartedProgram CreateSuspended(LaunchCommand& command) {
  StartedProgram started;
  started.program_ = command.program.empty() ? command.line : command.program;
  started.startError = HookSays(started.program_, RunStep::Create);
  if (started.startError != ERROR_SUCCESS) return started;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const char* program =
      command.program.empty() ? nullptr : command.program.c_str();
  if (!CreateProcessA(program, &command.line[0], nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &process)) {
    started.startError = GetLastError();
    return started;
  }
  started.process_.Reset(process.hProcess);
  started.thread_.Reset(process.hThread);
  started.job_ = JobEndingWithThisProgram(process.hProcess);
  return started;
}

HelpersRun ResumeAndWait(StartedProgram& started, unsigned helpersWaitSeconds,
                         FileHold* releasedOnResume,
                         unsigned programWaitSeconds) {
  HelpersRun run;
  run.startError = started.startError;
  if (run.startError != ERROR_SUCCESS) return run;
  const HANDLE process = started.process_.get();
  const HANDLE job = started.job_.get();
  run.startError = HookSays(started.program_, RunStep::Resume);
  if (run.startError == ERROR_SUCCESS &&
      ResumeThread(started.thread_.get()) == static_cast<DWORD>(-1)) {
    run.startError = GetLastError();
  }
  // Never resumed, it would be waited for without end; it is ended as
  // `started` goes.
  if (run.startError != ERROR_SUCCESS) return run;
  started.resumed_ = true;
  // In the job since its creation, so that nothing it starts escapes; only
  // now that it runs does the job stop ending it with this program, so that
  // this program killed at any moment leaves it unrun and ended, or running,
  // never suspended. Should the job keep that limit, what it left running
  // ends with this program.
  if (started.job_.valid() &&
      HookSays(started.program_, RunStep::LetGo) == ERROR_SUCCESS) {
    LimitJob(job, false);
  }
  if (releasedOnResume != nullptr) releasedOnResume->Release();
  run.waitError = HookSays(started.program_, RunStep::Wait);
  const DWORD waited =
      run.waitError != ERROR_SUCCESS ? WAIT_FAILED
      : programWaitSeconds == 0
          ? WaitForSingleObject(process, INFINITE)
          : WaitForSingleObject(process, programWaitSeconds * 1000u);
  if (waited == WAIT_TIMEOUT) {
    EndAtBound(process, started.job_.valid() ? job : nullptr, run);
    return run;
  }
  if (run.waitError == ERROR_SUCCESS && waited != WAIT_OBJECT_0) {
    run.waitError = GetLastError();
    if (run.waitError == ERROR_SUCCESS) run.waitError = ERROR_INVALID_HANDLE;
  }
  if (run.waitError != ERROR_SUCCESS) return run;
  DWORD exitCode = 0;
  if (HookSays(started.program_, RunStep::ExitCode) == ERROR_SUCCESS &&
      GetExitCodeProcess(process, &exitCode)) {
    run.exitCode = exitCode;
  }
  if (helpersWaitSeconds == 0) return run;
  run.helpers = HelpersRun::Wait::Untracked;
  if (started.job_.valid()) {
    WaitForJobToEmpty(job, helpersWaitSeconds * 1000u, run);
  }
  return run;
}

HelpersRun RunAndWaitWithHelpers(LaunchCommand& command,
                                 unsigned helpersWaitSeconds,
                                 unsigned programWaitSeconds) {
  StartedProgram started = CreateSuspended(command);
  return ResumeAndWait(started, helpersWaitSeconds, nullptr,
                       programWaitSeconds);
}

std::string RunOutcomeText(const char* name, const ProgramRun& run) {
  const std::string program = name;
  if (run.startError != ERROR_SUCCESS) {
    return program + " could not be started: error " +
           std::to_string(run.startError);
  }
  if (run.waitError != ERROR_SUCCESS) {
    return program + " was started, but the wait for its end failed: error " +
           std::to_string(run.waitError);
  }
  if (run.endedAtBound) {
    return program +
           " still ran at its bound and was ended, with what it "
           "started";
  }
  if (!run.exitCode) return program + " ended; its exit code is unknown";
  return program + " ended with exit code " + std::to_string(*run.exitCode);
}

const char* LoaderEndingName(DWORD exitCode) {
  switch (exitCode) {
    case kStatusDllNotFound:
      return "0xC0000135 (a DLL it imports was not found)";
    case kStatusOrdinalNotFound:
      return "0xC0000138 (a function it imports by ordinal was not found)";
    case kStatusEntryPointNotFound:
      return "0xC0000139 (a function it imports was not found)";
    case kStatusInvalidImageFormat:
      return "0xC000007B (it or a DLL it imports is not a valid image)";
    case kStatusDllInitFailed:
      return "0xC0000142 (a DLL it imports failed to initialize)";
    default:
      return nullptr;
  }
}

std::string HelpersWaitText(const HelpersRun& run, unsigned seconds) {
  switch (run.helpers) {
    case HelpersRun::Wait::Off:
      return "the processes it started were not waited for (bound 0 s)";
    case HelpersRun::Wait::Untracked:
      return "the processes it started could not be followed; it alone was "
             "waited for";
    case HelpersRun::Wait::AllGone:
      return "every process it started had ended after " +
             std::to_string(run.helpersMs) + " ms";
    case HelpersRun::Wait::BoundReached:
      break;
  }
  return std::to_string(run.helpersLeft) +
         " processes it started still ran when the bound of " +
         std::to_string(seconds) + " s was reached; they are left running";
}

bool HelpersBoundReached(const HelpersRun& run) {
  return run.helpers == HelpersRun::Wait::BoundReached;
}

StartHook SetStartHookForTesting(StartHook hook) {
  return std::exchange(startHook, hook);
}
