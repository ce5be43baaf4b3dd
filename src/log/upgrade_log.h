// The deployment log: what each run did, appended as one block of lines to a
// file chosen when the program was built, for deployment tools to collect.
#pragma once

#include <string>

// Where this run's lines go; an empty path means no log.
struct UpgradeLog {
  std::string path;
  bool enabled() const { return !path.empty(); }
};

// The log for the path the program was built with: `configured` with its
// %NAME% references expanded from the environment, which is read only here
// and only when `configured` is not empty. No log when `configured` is
// empty, or when the expanded path is not a drive path ("X:\...") shorter
// than the system's path limit with no "%" left: an undefined reference
// stays as it stands, and an empty one leaves a path with no drive.
UpgradeLog OpenUpgradeLog(const char* configured) noexcept;

// Appends `text` as a line after the local time; see LogEvent.
void AppendLogLine(const UpgradeLog& log, const std::string& text);

// Appends one line, the local time to the millisecond followed by the text
// `compose` returns, each control character in it (0x00-0x1F, 0x7F) written
// as "<0d>", so that a line ends only where the program ends it; `compose` runs
// only when there is a log. The file is opened, appended to and closed within
// the call, so no handle outlives it. Nothing is written through a link: when
// the file is a reparse point or has more than one name, the line is dropped.
// The log never changes what the program does: a line that cannot be composed
// (memory ran out) or written is dropped.
template <typename Compose>
void LogEvent(const UpgradeLog& log, Compose compose) noexcept {
  if (!log.enabled()) return;
  try {
    AppendLogLine(log, compose());
  } catch (...) {
  }
}

// Whether `path` is a drive path "X:\..." shorter than the system's path
// limit, with no "%" in it.
bool IsUsableLogPath(const std::string& path);
