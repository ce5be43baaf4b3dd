#include "driver/process_runner.h"

#include <vector>

#include "platform/win32_api.h"

void RunAndWait(const LaunchCommand& command) {
  // CreateProcessA may write into the command line, so it gets its own copy.
  std::vector<char> line(command.line.begin(), command.line.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const char* program =
      command.program.empty() ? nullptr : command.program.c_str();
  if (!CreateProcessA(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}
