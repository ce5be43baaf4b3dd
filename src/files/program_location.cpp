#include "files/program_location.h"

#include <cstring>

#include "platform/win32_api.h"

std::string OwnProgramPath() {
  // Twice the limit, so that a path past it shows as one and not as a path
  // cut short to fit.
  const DWORD capacity = 2 * MAX_PATH;
  char narrow[capacity] = {};
  const DWORD length = GetModuleFileNameA(nullptr, narrow, capacity);
  if (length == 0 || length >= MAX_PATH) return std::string();
  WCHAR wide[capacity] = {};
  const DWORD wideLength = GetModuleFileNameW(nullptr, wide, capacity);
  if (wideLength == 0 || wideLength >= MAX_PATH) return std::string();
  // The exact conversion of the real name must be the narrow answer itself.
  // Under the system-wide UTF-8 code page every character has a form, and
  // the system refuses the best-fit and used-default arguments; a lone
  // surrogate, which has none, must fail rather than pass as U+FFFD.
  const bool utf8 = GetACP() == CP_UTF8;
  char converted[capacity] = {};
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(utf8 ? CP_UTF8 : CP_ACP,
                          utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
                          wide, -1, converted, capacity, nullptr,
                          utf8 ? nullptr : &usedDefault) == 0 ||
      usedDefault || std::strcmp(converted, narrow) != 0) {
    return std::string();
  }
  return narrow;
}
