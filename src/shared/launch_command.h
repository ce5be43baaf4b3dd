// A program to start, as the stages hand it to the process runner.
#pragma once

#include <string>

// A program to start. `line` is the complete command line the program
// receives. `program` is the full path of the program when it is known, so the
// system starts exactly that file; empty, it leaves the system to find the
// program named by the line's first token.
struct LaunchCommand {
  std::string program;
  std::string line;
};
