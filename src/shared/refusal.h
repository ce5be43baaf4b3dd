// A refusal: a check found that the run must end before it changes
// anything more, with this exit code, for this reason.
#pragma once

#include <string>

// The exit code (from shared/exit_codes.h) and the reason the log gives,
// "the installer cannot be started". A check that lets the run go on
// returns no refusal: std::optional<Refusal> is empty.
struct Refusal {
  int exitCode;
  std::string reason;
};
