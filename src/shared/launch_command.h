// A program to start, and the one way its commands with a response file are
// composed. Used by the installer stage and the removal stage alike.
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

// The command that starts `program` lying in `folder` by its full path, with
// `switches` and, right after them, the quoted path of `responseFile` in the
// same folder: F\program<switches>"F\responseFile". The program path stays
// unquoted, as the programs started this way expect. The separator is added
// even after a drive root's own. Composed in growable strings, so a folder of
// any length gives the whole line.
LaunchCommand ResponseFileCommand(const std::string& folder,
                                  const char* program, const char* switches,
                                  const char* responseFile);
