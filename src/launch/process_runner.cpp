#include "launch/process_runner.h"

#include <utility>

namespace {

const DWORD kHelpersLookMs = 100;

StartHook startHook = nullptr;

// A job holding `process`, which may break away from it on request, or none
// when the system refuses to make, limit or assign one.
OwnedHandle JobHolding(HANDLE process) {
  OwnedHandle job(CreateJobObjectA(nullptr, nullptr));
  if (!job.valid()) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation,
                               &limits, sizeof limits) ||
      !AssignProcessToJobObject(job.get(), process)) {
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

// The exit code of the ended `process`, when the system tells it.
std::optional<DWORD> ExitCodeOf(HANDLE process) {
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process, &exitCode)) return std::nullopt;
  return exitCode;
}

}  // namespace

StartedProgram StartProgram(LaunchCommand& command, DWORD creationFlags) {
  StartedProgram started;
  if (startHook != nullptr) {
    started.startError = startHook(command);
    if (started.startError != ERROR_SUCCESS) return started;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const char* program =
      command.program.empty() ? nullptr : command.program.c_str();
  if (!CreateProcessA(program, &command.line[0], nullptr, nullptr, FALSE,
                      creationFlags, nullptr, nullptr, &startup, &process)) {
    started.startError = GetLastError();
    return started;
  }
  started.process.Reset(process.hProcess);
  started.thread.Reset(process.hThread);
  return started;
}

ProgramRun WaitForProgram(const StartedProgram& started) {
  ProgramRun run;
  run.startError = started.startError;
  if (run.startError != ERROR_SUCCESS) return run;
  WaitForSingleObject(started.process.get(), INFINITE);
  run.exitCode = ExitCodeOf(started.process.get());
  return run;
}

HelpersRun RunAndWaitWithHelpers(LaunchCommand& command,
                                 unsigned helpersWaitSeconds) {
  HelpersRun run;
  const bool helpers = helpersWaitSeconds > 0;
  // Held until it is in the job, so that nothing it starts escapes.
  const StartedProgram started =
      StartProgram(command, helpers ? CREATE_SUSPENDED : 0);
  run.startError = started.startError;
  if (run.startError != ERROR_SUCCESS) return run;
  const OwnedHandle job =
      helpers ? JobHolding(started.process.get()) : OwnedHandle();
  if (helpers && ResumeThread(started.thread.get()) == static_cast<DWORD>(-1)) {
    // Never resumed, it would be waited for without end.
    run.startError = GetLastError();
    TerminateProcess(started.process.get(), run.startError);
    return run;
  }
  static_cast<ProgramRun&>(run) = WaitForProgram(started);
  if (helpers) run.helpers = HelpersRun::Wait::Untracked;
  if (job.valid()) {
    WaitForJobToEmpty(job.get(), helpersWaitSeconds * 1000u, run);
  }
  return run;
}

StartHook SetStartHookForTesting(StartHook hook) {
  return std::exchange(startHook, hook);
}
