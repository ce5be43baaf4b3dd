#include "launch/process_runner.h"

#include <utility>

#include "platform/win32_api.h"

namespace {

StartHook startHook = nullptr;

}  // namespace

DWORD RunAndWait(LaunchCommand& command, FileHold* heldUntilStarted) {
  if (startHook != nullptr) {
    const DWORD refused = startHook(command);
    if (refused != ERROR_SUCCESS) return refused;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const char* program =
      command.program.empty() ? nullptr : command.program.c_str();
  const BOOL started =
      CreateProcessA(program, &command.line[0], nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &startup, &process);
  const DWORD error = started ? ERROR_SUCCESS : GetLastError();
  if (heldUntilStarted != nullptr) heldUntilStarted->Release();
  if (!started) return error;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return ERROR_SUCCESS;
}

StartHook SetStartHookForTesting(StartHook hook) {
  return std::exchange(startHook, hook);
}
