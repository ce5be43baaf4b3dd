// Where the installed version lies: the system drive, the machine's layout,
// and the installer engine's information folder for this product.
// Every answer is computed afresh from the system directory and the program's
// own path; nothing is cached.
#pragma once

#include <string>

#include "shared/upgrade_choices.h"

// The first three characters of the system directory, such as "C:\"; empty
// when the system's answer does not begin with a drive root. The paths
// composed on an empty root are relative to the current folder: the layout
// probe and the test for the information folder look there, and the run then
// refuses such an information folder (CheckPaths) before it acts on it.
std::string SystemDriveRoot();

// Layout64 when "Windows\SysWOW64" exists, as folder or file, on the system
// drive; Layout32 otherwise.
InstallLayout DetectLayout();

// The system drive root followed by the layout's information-folder suffix,
// which ends in the product code fixed at build time; without a system drive
// root, the bare suffix, a relative path.
std::string InfoFolderPath(InstallLayout layout);
