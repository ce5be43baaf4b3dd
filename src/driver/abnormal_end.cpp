#include "driver/abnormal_end.h"

#include <exception>

#include "platform/win32_api.h"
#include "shared/exit_codes.h"

namespace {

const char kMessage[] = "abnormal program termination\n";

}  // namespace

void InstallAbnormalEnding() { std::set_terminate(EndAbnormally); }

void EndAbnormally() {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(error, kMessage, sizeof kMessage - 1, &written, nullptr);
  }
  ExitProcess(kExitAbnormal);
}
