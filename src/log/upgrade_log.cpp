#include "log/upgrade_log.h"

#include <cctype>

#include "files/open_entry.h"
#include "platform/owned_handle.h"
#include "platform/win32_api.h"

namespace {

// Appends `value` with at least `width` digits, zeros in front.
void AppendNumber(std::string& text, unsigned value, std::size_t width) {
  const std::string digits = std::to_string(value);
  if (digits.size() < width) text.append(width - digits.size(), '0');
  text += digits;
}

// "2026-12-08 11:22:33.456 " for the local time now.
std::string LocalTimeStamp() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  const struct {
    unsigned value;
    std::size_t width;
    char after;
  } parts[] = {{now.wYear, 4, '-'},        {now.wMonth, 2, '-'},
               {now.wDay, 2, ' '},         {now.wHour, 2, ':'},
               {now.wMinute, 2, ':'},      {now.wSecond, 2, '.'},
               {now.wMilliseconds, 3, ' '}};
  std::string stamp;
  for (const auto& part : parts) {
    AppendNumber(stamp, part.value, part.width);
    stamp += part.after;
  }
  return stamp;
}

// `text` with each control character written as "<0d>": two hexadecimal
// digits in angle brackets, which Windows forbids in names, so that no name
// or text can end a line or forge one, and the escape is never part of a
// path.
std::string Escaped(const std::string& text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string escaped;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      escaped += '<';
      escaped += kDigits[byte >> 4];
      escaped += kDigits[byte & 0xF];
      escaped += '>';
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace

UpgradeLog OpenUpgradeLog(const char* configured) noexcept {
  UpgradeLog log;
  if (configured[0] == '\0') return log;
  try {
    const DWORD size = ExpandEnvironmentStringsA(configured, nullptr, 0);
    if (size == 0) return log;
    std::string expanded(size, '\0');
    const DWORD length =
        ExpandEnvironmentStringsA(configured, &expanded[0], size);
    if (length == 0 || length > size) return log;
    expanded.resize(length - 1);
    if (IsUsableLogPath(expanded)) log.path = expanded;
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

void AppendLogLine(const UpgradeLog& log, const std::string& text) {
  const std::string line = LocalTimeStamp() + Escaped(text) + "\r\n";

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
