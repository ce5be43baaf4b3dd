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
// ran: nothing, or an entry of this identity, size and last-write time; a
// plain file only when `plainFile`, and of an unknown identity (held without
// sharing, access denied) unless `known`.
struct SetupLogState {
  bool exists = false;
  bool known = false;
  bool plainFile = false;
  FileIdentity identity = {};
  DWORD sizeHigh = 0;
  DWORD sizeLow = 0;
  FILETIME lastWrite = {};
};

// The state of the entry at `path`; a link is looked at as itself.
SetupLogState SetupLogStateOf(const std::string& path) noexcept;

// What the program that ran wrote to the setup.log at `path`.
struct SetupLogResult {
  // An entry is there whose identity, size or last-write time differs from
  // `before`, or that cannot be told from it.
  bool written = false;
  // Its ResultCode, read from its first MiB; none when it is not a plain file
  // or cannot be read.
  std::optional<int> resultCode;
};

// Reads the setup.log at `path` only when it was written since `before`;
// never through a link. Something there that cannot be opened, or a folder or
// a link, counts as written and unreadable, never as nothing written. When
// memory runs out while reading, it reports none written, so that the run goes
// on as without a setup.log.
SetupLogResult SetupLogWrittenSince(const std::string& path,
                                    const SetupLogState& before) noexcept;

// Whether a setup.log written during the run reports a failure: its
// ResultCode is below 0.
bool ReportsFailure(const SetupLogResult& result);

// Which case `result` is, for the log: "setup.log ResultCode=-3", "setup.log
// was written but holds no ResultCode", or "it wrote no setup.log".
std::string SetupLogText(const SetupLogResult& result);
