// The deployment log: what each run did, appended as one block of lines to a
// file chosen when the program was built, for deployment tools to collect.
#pragma once

#include <string>

#include "log/log_record.h"
#include "shared/upgrade_choices.h"

// Where this run's lines go; an empty path means no log.
struct UpgradeLog {
  std::string path;
  LogFormat format = LogFormat::Plain;
  bool enabled() const { return !path.empty(); }
};

// The log for the path the program was built with: `configured` with its
// %NAME% references expanded from the environment, which is read only here
// and only when `configured` is not empty. No log when `configured` is
// empty, or when the expanded path is not a drive path ("X:\...") shorter
// than the system's path limit with no "%" left: an undefined reference
// stays as it stands, and an empty one leaves a path with no drive. When the
// log's folder is missing it is made, only when its parent is a folder of its
// own (not a link or a junction); a missing parent means no log file.
UpgradeLog OpenUpgradeLog(const char* configured,
                          LogFormat format = LogFormat::Plain) noexcept;

// Appends `text` as a line of `severity`; see LogEvent.
void AppendLogLine(const UpgradeLog& log, LogSeverity severity,
                   const std::string& text);

// Appends one line of `severity` in the log's format (see FormatLogLine),
// with the local time to the millisecond, this process's id and the text
// `compose` returns; `compose` runs only when there is a log. The file is
// opened, appended to and closed within
// the call, so no handle outlives it. Nothing is written through a link: when
// the file is a reparse point or has more than one name, the line is dropped.
// The log never changes what the program does: a line that cannot be composed
// (memory ran out) or written is dropped.
template <typename Compose>
void LogEvent(const UpgradeLog& log, LogSeverity severity,
              Compose compose) noexcept {
  if (!log.enabled()) return;
  try {
    AppendLogLine(log, severity, compose());
  } catch (...) {
  }
}

// A line of information: what the run did.
template <typename Compose>
void LogEvent(const UpgradeLog& log, Compose compose) noexcept {
  LogEvent(log, LogSeverity::Information, compose);
}

// Whether `path` is a drive path "X:\..." shorter than the system's path
// limit, with no "%" in it.
bool IsUsableLogPath(const std::string& path);
