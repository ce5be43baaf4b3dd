#include "launch/process_runner.h"

#include <utility>

#include "platform/win32_api.h"

namespace {

const DWORD kHelpersLookMs = 100;

StartHook startHook = nullptr;

// The one way programs are started: the test hook first, then the system.
// Returns ERROR_SUCCESS with `process` filled in, or the error of the start.
DWORD StartProcess(LaunchCommand& command, DWORD creationFlags,
                   PROCESS_INFORMATION& process) {
  if (startHook != nullptr) {
    const DWORD refused = startHook(command);
    if (refused != ERROR_SUCCESS) return refused;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  const char* program =
      command.program.empty() ? nullptr : command.program.c_str();
  if (!CreateProcessA(program, &command.line[0], nullptr, nullptr, FALSE,
                      creationFlags, nullptr, nullptr, &startup, &process)) {
    return GetLastError();
  }
  return ERROR_SUCCESS;
}

// A job holding `process`, which may break away from it on request, or null
// when the system refuses to make, limit or assign one.
HANDLE JobHolding(HANDLE process) {
  const HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                               sizeof limits) ||
      !AssignProcessToJobObject(job, process)) {
    CloseHandle(job);
    return nullptr;
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

ProgramRun RunAndWait(LaunchCommand& command, FileHold* heldUntilStarted) {
  ProgramRun run;
  PROCESS_INFORMATION process = {};
  run.startError = StartProcess(command, 0, process);
  if (heldUntilStarted != nullptr) heldUntilStarted->Release();
  if (run.startError != ERROR_SUCCESS) return run;
  WaitForSingleObject(process.hProcess, INFINITE);
  run.exitCode = ExitCodeOf(process.hProcess);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return run;
}

HelpersRun RunAndWaitWithHelpers(LaunchCommand& command,
                                 unsigned helpersWaitSeconds) {
  HelpersRun run;
  const bool helpers = helpersWaitSeconds > 0;
  // Held until it is in the job, so that nothing it starts escapes.
  PROCESS_INFORMATION process = {};
  run.startError =
      StartProcess(command, helpers ? CREATE_SUSPENDED : 0, process);
  if (run.startError != ERROR_SUCCESS) return run;
  const HANDLE job = helpers ? JobHolding(process.hProcess) : nullptr;
  if (helpers && ResumeThread(process.hThread) == static_cast<DWORD>(-1)) {
    // Never resumed, it would be waited for without end.
    run.startError = GetLastError();
    TerminateProcess(process.hProcess, run.startError);
  } else {
    WaitForSingleObject(process.hProcess, INFINITE);
    run.exitCode = ExitCodeOf(process.hProcess);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (helpers) run.helpers = HelpersRun::Wait::Untracked;
  if (job != nullptr) {
    if (run.startError == ERROR_SUCCESS) {
      WaitForJobToEmpty(job, helpersWaitSeconds * 1000u, run);
    }
    CloseHandle(job);
  }
  return run;
}

StartHook SetStartHookForTesting(StartHook hook) {
  return std::exchange(startHook, hook);
}
