// Where the running program lies. The answer is read afresh from the system;
// the run reads it once and hands it on.
#pragma once

#include <string>

// The full path of the running program exactly as the system knows it; empty
// when it cannot be read exactly: longer than the system's path limit, so that
// the answer would be cut short, or holding characters the code page cannot
// represent, so that the narrow form would name another file or none.
std::string OwnProgramPath();
