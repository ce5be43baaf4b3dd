// The one way the engine's programs are started with a response file, by the
// install stage and the removal stage alike.
#pragma once

#include <string>

#include "shared/launch_command.h"

// The command that starts `program` lying in `folder` by its full path, with
// `switches` and, right after them, the quoted path of `responseFile` in the
// same folder: F\program<switches>"F\responseFile". The program path stays
// unquoted, as the programs started this way expect. The separator is added
// even after a drive root's own. Composed in growable strings, so a folder of
// any length gives the whole line.
LaunchCommand ResponseFileCommand(const std::string& folder,
                                  const char* program, const char* switches,
                                  const char* responseFile);
