#include "engine/setup_log.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "files/open_entry.h"

namespace {

// `text` as one byte a character, without a byte-order mark: UTF-16 code
// units above 0xFF, which no section name, key or number holds, become '?'.
// UTF-16 is told by its mark, or without one by a NUL byte in the first
// character, which no ANSI or UTF-8 text holds: first for big-endian, second
// for little-endian.
std::string Narrowed(const std::string& text) {
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) return text.substr(3);
  if (text.size() < 2) return text;
  std::size_t start = 0;
  bool bigEndian = false;
  if (text[0] == '\xFF' && text[1] == '\xFE') {
    start = 2;
  } else if (text[0] == '\xFE' && text[1] == '\xFF') {
    start = 2;
    bigEndian = true;
  } else if (text[0] == '\0' && text[1] != '\0') {
    bigEndian = true;
  } else if (text[0] == '\0' || text[1] != '\0') {
    return text;
  }
  std::string narrow;
  for (std::size_t i = start; i + 1 < text.size(); i += 2) {
    const char low = bigEndian ? text[i + 1] : text[i];
    const char high = bigEndian ? text[i] : text[i + 1];
    narrow += high == '\0' ? low : '?';
  }
  return narrow;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameLetters(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

// A whole number in decimal digits, with a sign that blanks may part from its
// digits ("- 3" has no other meaning), fitting an int; nothing else: no
// other characters before or after, no hexadecimal, no other minus sign.
std::optional<int> WholeNumber(const std::string& text) {
  std::string number = text;
  if (!number.empty() && (number[0] == '-' || number[0] == '+')) {
    number = number.substr(0, 1) + Trimmed(number.substr(1));
  }
  const std::size_t sign =
      !number.empty() && (number[0] == '-' || number[0] == '+') ? 1 : 0;
  if (number.size() == sign ||
      number.find_first_not_of("0123456789", sign) != std::string::npos) {
    return std::nullopt;
  }
  errno = 0;
  const long long value = std::strtoll(number.c_str(), nullptr, 10);
  if (errno != 0 || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

// A setup.log is a few hundred bytes; its result is looked for this far.
const DWORD kMostRead = 1024 * 1024;

// The setup.log at `path`, open for reading, and what the system knows of
// it: a folder or a link is opened as itself, and something there that
// cannot be opened is known only to be there.
class OpenSetupLog {
 public:
  explicit OpenSetupLog(const std::string& path)
      : file_(OpenEntry(path, GENERIC_READ, FILE_FLAG_OPEN_REPARSE_POINT)) {
    if (!DescribeOpenEntry(file_.get(), info_)) {
      const DWORD error = GetLastError();
      file_.Reset();
      there_ = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
  }

  SetupLogState State() const {
    SetupLogState state;
    state.exists = there_ || file_.valid();
    if (!file_.valid()) return state;
    state.known = true;
    state.plainFile = IsFileNotLink(info_);
    state.identity = FileIdentity{info_.dwVolumeSerialNumber,
                                  info_.nFileIndexHigh, info_.nFileIndexLow};
    state.sizeHigh = info_.nFileSizeHigh;
    state.sizeLow = info_.nFileSizeLow;
    state.lastWrite = info_.ftLastWriteTime;
    return state;
  }

  // Its first MiB, or empty when it is not a plain file or cannot be read.
  std::string Start() const {
    if (!file_.valid() || !IsFileNotLink(info_)) return std::string();
    std::vector<unsigned char> block(kMostRead);
    DWORD filled = 0;
    if (!ReadBlock(file_.get(), block, filled)) return std::string();
    return std::string(block.begin(), block.begin() + filled);
  }

 private:
  OwnedHandle file_;
  BY_HANDLE_FILE_INFORMATION info_ = {};
  bool there_ = false;
};

// Whether `a` and `b` are the same state: both nothing, or the same known
// entry; one whose identity is unknown cannot be told from a change.
bool SameState(const SetupLogState& a, const SetupLogState& b) {
  if (!a.exists || !b.exists) return a.exists == b.exists;
  return a.known && b.known && a.identity == b.identity &&
         a.sizeHigh == b.sizeHigh && a.sizeLow == b.sizeLow &&
         a.lastWrite.dwLowDateTime == b.lastWrite.dwLowDateTime &&
         a.lastWrite.dwHighDateTime == b.lastWrite.dwHighDateTime;
}

}  // namespace

SetupLogState SetupLogStateOf(const std::string& path) noexcept {
  try {
    return OpenSetupLog(path).State();
  } catch (...) {
    // Memory ran out: nothing known, which the log then reads as nothing.
    return SetupLogState();
  }
}

SetupLogResult SetupLogWrittenSince(const std::string& path,
                                    const SetupLogState& before) noexcept {
  try {
    SetupLogResult result;
    const OpenSetupLog log(path);
    const SetupLogState now = log.State();
    result.written = now.exists && !SameState(now, before);
    if (result.written) result.resultCode = SetupLogResultCode(log.Start());
    return result;
  } catch (...) {
    // Memory ran out: nothing known, as for a run that wrote none.
    return SetupLogResult();
  }
}

std::optional<int> SetupLogResultCode(const std::string& text) {
  const std::string narrow = Narrowed(text);
  bool inSection = false;
  std::size_t start = 0;
  while (start <= narrow.size()) {
    // A line ends at CR, LF or both.
    std::size_t end = narrow.find_first_of("\r\n", start);
    if (end == std::string::npos) end = narrow.size();
    const std::string line = Trimmed(narrow.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.front() == '[') {
      inSection = line.back() == ']' &&
                  SameLetters(Trimmed(line.substr(1, line.size() - 2)),
                              "ResponseResult");
    } else if (inSection) {
      const std::size_t equals = line.find('=');
      if (equals != std::string::npos &&
          SameLetters(Trimmed(line.substr(0, equals)), "ResultCode")) {
        return WholeNumber(Trimmed(line.substr(equals + 1)));
      }
    }
  }
  return std::nullopt;
}

bool ReportsFailure(const SetupLogResult& result) {
  return result.written && result.resultCode && *result.resultCode < 0;
}

std::string SetupLogText(const SetupLogResult& result) {
  if (!result.written) return "it wrote no setup.log";
  if (!result.resultCode)
    return "setup.log was written but holds no ResultCode";
  return "setup.log ResultCode=" + std::to_string(*result.resultCode);
}
