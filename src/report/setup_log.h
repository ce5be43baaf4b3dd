// The silent result that installer engines of this family write to
// "setup.log" beside the response file: a [ResponseResult] section with a
// line ResultCode=N (0 success, -3 required data not found in the response
// file, -5 file does not exist, ...).
#pragma once

#include <optional>
#include <string>

// The integer ResultCode of the [ResponseResult] section of `text`, the
// start of a setup.log: ANSI or UTF-8 text, or UTF-16 (little-endian) with
// its byte-order mark. Section and key names are compared without regard to
// case. Empty when there is no such section, no such key in it, or its value
// is not a whole number that fits an int.
std::optional<int> SetupLogResultCode(const std::string& text);
