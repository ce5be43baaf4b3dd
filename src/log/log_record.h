// One line of the deployment log, composed from its parts: a pure function,
// so that each rule of the two formats is tested on its own.
#pragma once

#include <string>

#include "shared/upgrade_choices.h"

// How much a line matters to whoever reads the log; the numbers are CMTrace's
// types.
enum class LogSeverity {
  // What the run did.
  Information = 1,
  // A bound reached, a failure the run went on from, something that stayed.
  Warning = 2,
  // A refusal or a failure, and the exit line of a run that failed.
  Failure = 3,
};

// The local time of a line, and the local time's bias in minutes: UTC = local
// time + bias, so UTC+1 is -60.
struct LogMoment {
  unsigned year, month, day, hour, minute, second, milliseconds;
  long biasMinutes;
};

// The line for `text`, with its line end. Each control character of `text`
// (0x00-0x1F, 0x7F) is written as "<0d>" in both formats, so that a line ends
// only where the program ends it.
//   Plain:   "2026-12-08 11:22:33.456 [4242] text"
//   CMTrace: "<![LOG[text]LOG]!><time="11:22:33.456-60" date="12-08-2026"
//             component="upgrade" context="" type="1" thread="4242" file="">"
// The CMTrace time carries the bias with exactly one sign and at least three
// digits ("+000", "-060", "+300"); the text never holds the record's end
// "]LOG]!>", whose ">" is then written as "<3e>".
std::string FormatLogLine(LogFormat format, const LogMoment& moment,
                          unsigned long processId, LogSeverity severity,
                          const std::string& text);
