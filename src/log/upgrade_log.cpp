#include "log/upgrade_log.h"

#include <cctype>

#include "files/open_entry.h"
#include "files/path_parts.h"
#include "platform/owned_handle.h"
#include "platform/win32_api.h"

namespace {

// The local time's bias in minutes now, daylight time included; 0 when the
// system cannot tell.
long LocalBiasMinutes() {
  TIME_ZONE_INFORMATION zone = {};
  switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_UNKNOWN:
      return zone.Bias;
    case TIME_ZONE_ID_STANDARD:
      return zone.Bias + zone.StandardBias;
    case TIME_ZONE_ID_DAYLIGHT:
      return zone.Bias + zone.DaylightBias;
    default:
      return 0;
  }
}

LogMoment LocalMoment() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  return LogMoment{now.wYear,         now.wMonth,        now.wDay,
                   now.wHour,         now.wMinute,       now.wSecond,
                   now.wMilliseconds, LocalBiasMinutes()};
}

// Makes the folder of the log at `path` when it is missing and its parent,
// opened as itself, is a folder of its own: never in a link's target.
void MakeLogFolder(const std::string& path) {
  const std::string folder = FolderOf(path);
  if (folder.size() <= 3 ||
      GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return;
  }
  const OwnedHandle parent = OpenEntry(FolderOf(folder), FILE_READ_ATTRIBUTES,
                                       FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION information = {};
  if (DescribeOpenEntry(parent.get(), information) &&
      IsFolderNotLink(information)) {
    CreateDirectoryA(folder.c_str(), nullptr);
  }
}

}  // namespace

UpgradeLog OpenUpgradeLog(const char* configured, LogFormat format) noexcept {
  UpgradeLog log;
  log.format = format;
  if (configured[0] == '\0') return log;
  try {
    const DWORD size = ExpandEnvironmentStringsA(configured, nullptr, 0);
    if (size == 0) return log;
    std::string expanded(size, '\0');
    const DWORD length =
        ExpandEnvironmentStringsA(configured, &expanded[0], size);
    if (length == 0 || length > size) return log;
    expanded.resize(length - 1);
    if (!IsUsableLogPath(expanded)) return log;
    MakeLogFolder(expanded);
    log.path = expanded;
  } catch (...) {
    // Memory ran out: no log, and the upgrade runs as it would without one.
  }
  return log;
}

bool IsUsableLogPath(const std::string& path) {
  return path.size() > 3 && path.size() < MAX_PATH &&
         std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         path[2] == '\\' && path.find('%') == std::string::npos;
}

void AppendLogLine(const UpgradeLog& log, LogSeverity severity,
                   const std::string& text) {
  const std::string line = FormatLogLine(log.format, LocalMoment(),
                                         GetCurrentProcessId(), severity, text);

  // A link planted where the log goes is opened as itself, and then seen.
  const OwnedHandle file(CreateFileA(
      log.path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION information = {};
  if (DescribeOpenEntry(file.get(), information) &&
      IsSingleNamedFile(information)) {
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
  }
}
