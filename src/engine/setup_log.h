// The silent result that installer engines of this family write to
// "setup.log" beside the response file: a [ResponseResult] section with a
// line ResultCode=N (0 success, -3 required data not found in the response
// file, -5 file does not exist, ...).
#pragma once

#include <optional>
#include <string>

#include "files/file_identity.h"
#include "platform/win32_api.h"

// The integer ResultCode of the [ResponseResult] section of `text`, the
// start of a setup.log: ANSI or UTF-8 text, or UTF-16 of either byte order,
// with or without its byte-order mark; lines end with CR, LF or both. Section
// and key names are compared without regard to case or the blanks around
// them ("[ ResponseResult ]"). Empty when there is no such section, no such
// key in it, or its value is not a whole number in decimal digits that fits
// an int, with a sign that blanks may part from them ("- 3"): "-3;",
// "0xFFFFFFFD" or a Unicode minus are not read.
std::optional<int> SetupLogResultCode(const std::string& text);

// What was there at a setup.log's path before a program that may write it
// ran: nothing, or a file of this identity, size and last-write time.
struct SetupLogState {
  bool exists = false;
  FileIdentity identity = {};
  DWORD sizeHigh = 0;
  DWORD sizeLow = 0;
  FILETIME lastWrite = {};
};

// The state of the file at `path`, a link counted as nothing.
SetupLogState SetupLogStateOf(const std::string& path) noexcept;

// What the program that ran wrote to the setup.log at `path`.
struct SetupLogResult {
  // A file is there whose identity, size or last-write time differs from
  // `before`.
  bool written = false;
  // Its ResultCode, read from its first MiB.
  std::optional<int> resultCode;
};

// Reads the setup.log at `path` only when it was written since `before`;
// never through a link. When memory runs out while reading, it reports none
// written, so that the run goes on as without a setup.log.
SetupLogResult SetupLogWrittenSince(const std::string& path,
                                    const SetupLogState& before) noexcept;

// Whether a setup.log written during the run reports a failure: its
// ResultCode is below 0.
bool ReportsFailure(const SetupLogResult& result);

// Which case `result` is, for the log: "setup.log ResultCode=-3", "setup.log
// was written but holds no ResultCode", or "it wrote no setup.log".
std::string SetupLogText(const SetupLogResult& result);
