// Windows drive paths on a POSIX host, as a compatibility layer maps them:
// drive C: is a host folder fixed when the program is built, drive Z: is the
// host root. Both "\" and "/" separate.
#pragma once

#include <string>

// The host path for a Windows path. A path without a drive is a host path,
// relative ones to the current folder. Other drives map under a folder that
// cannot exist, so every operation on them fails.
std::string HostPath(const std::string& windowsPath);

// The drive form of an absolute host path: "C:\..." inside drive C:'s folder,
// "Z:\..." elsewhere.
std::string DrivePath(const std::string& hostPath);

// The host path of the running program.
std::string OwnHostPath();
