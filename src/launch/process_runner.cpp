#include "launch/process_runner.h"

#include <utility>

#include "platform/win32_api.h"

namespace {

StartHook startHook = nullptr;

}  // namespace

DWORD RunAndWait(LaunchCommand& command) {
  if (startHook != nullptr) {
    const DWORD refused = startHook(command);
    if (refused != ERROR_SUCCESS) return refused;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const char* program =
      command.program.empty() ? nullptr : command.program.c_str();
  if (!CreateProcessA(program, &command.line[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &process)) {
    return GetLastError();
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return ERROR_SUCCESS;
}

bool ProgramIsThere(const LaunchCommand& command) {
  if (!command.program.empty()) {
    const DWORD attributes = GetFileAttributesA(command.program.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  char found[MAX_PATH] = {};
  return SearchPathA(nullptr, command.line.c_str(), nullptr, MAX_PATH, found,
                     nullptr) != 0;
}

StartHook SetStartHookForTesting(StartHook hook) {
  return std::exchange(startHook, hook);
}
