// Where things lie: the system drive, the machine's layout, the installer
// engine's information folder for this product, and the program's own folder.
// Every answer is computed afresh from the system directory and the program's
// own path; nothing is cached.
#pragma once

#include <string>

#include "driver/upgrade.h"

// The first three characters of the system directory, such as "C:\"; empty
// when the system gives no answer.
PathBuffer SystemDriveRoot();

// Layout64 when "Windows\SysWOW64" exists, as folder or file, on the system
// drive; Layout32 otherwise.
InstallLayout DetectLayout();

// The system drive root followed by the layout's information-folder suffix,
// which ends in the product code fixed at build time.
PathBuffer InfoFolderPath(InstallLayout layout);

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
