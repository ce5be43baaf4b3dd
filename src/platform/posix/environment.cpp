// Environment and clock calls on POSIX: the host's environment variables and
// its local time.
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32_api.h"

// A reference to an undefined variable stays as it stands, as on Windows.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
  std::string expanded;
  for (const char* rest = source; *rest != '\0';) {
    const char* close = *rest == '%' ? std::strchr(rest + 1, '%') : nullptr;
    if (close == nullptr) {
      expanded += *rest++;
      continue;
    }
    const std::string name(rest + 1, close);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value != nullptr) {
      expanded += value;
      rest = close + 1;
    } else {
      expanded.append(rest, close);
      rest = close;
    }
  }
  const auto needed = static_cast<DWORD>(expanded.size() + 1);
  if (destination != nullptr && size >= needed) {
    std::memcpy(destination, expanded.c_str(), needed);
  }
  return needed;
}

void GetLocalTime(SYSTEMTIME* time) {
  timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local = {};
  localtime_r(&now.tv_sec, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  time->wSecond = static_cast<WORD>(local.tm_sec);
  time->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone) {
  *zone = {};
  const time_t now = time(nullptr);
  tm local = {};
  localtime_r(&now, &local);
  // After localtime_r, `timezone` holds the standard offset west of UTC.
  zone->Bias = static_cast<LONG>(timezone / 60);
  if (local.tm_isdst > 0) {
    zone->DaylightBias = static_cast<LONG>(-local.tm_gmtoff / 60) - zone->Bias;
    return TIME_ZONE_ID_DAYLIGHT;
  }
  zone->StandardBias = static_cast<LONG>(-local.tm_gmtoff / 60) - zone->Bias;
  return TIME_ZONE_ID_STANDARD;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
