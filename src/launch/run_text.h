// How a program's run reads in the log.
#pragma once

#include <string>

#include "launch/process_runner.h"

// "data.exe ended with exit code 3010", "setup.exe could not be started:
// error 740", for the program `name` and its run.
std::string RunOutcomeText(const char* name, const ProgramRun& run);

// How the wait for what a program started ended, within the bound of
// `seconds`.
std::string HelpersWaitText(const HelpersRun& run, unsigned seconds);
