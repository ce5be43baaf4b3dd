// Where the running program lies: its own path, its folder, which holds its
// companion files, and its file name. Every answer is read afresh; nothing is
// cached.
#pragma once

#include <string>

// The full path of the running program exactly as the system knows it; empty
// when it cannot be read exactly: longer than the system's path limit, so that
// the answer would be cut short, or holding characters the code page cannot
// represent, so that the narrow form would name another file or none.
std::string OwnProgramPath();

// The folder of the running program, without a trailing separator except at a
// drive root ("D:\Setup", "D:\"); empty when OwnProgramPath() is.
std::string ModuleFolder();

// The file name of the running program, "up.exe" for "D:\Setup\up.exe";
// empty when OwnProgramPath() is.
std::string OwnProgramName();
