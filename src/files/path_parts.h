// The parts of a path, cut as the system's own path call cuts them.
#pragma once

#include <string>

// Cuts the last part of `path` ("D:\Setup\up.exe" becomes "D:\Setup", a
// root's own separator kept: "D:\up.exe" becomes "D:\"). Returns false and
// leaves `path` as it was when there is no part to cut, as at a root.
bool CutLastPart(std::string& path);

// The folder part of `path`, without a trailing separator except at a drive
// root ("D:\Setup", "D:\"); empty for an empty path.
std::string FolderOf(std::string path);

// The last part of `path`, "up.exe" for "D:\Setup\up.exe".
std::string LastPartOf(const std::string& path);

// `folder` and `name` joined by one separator, added even after a root's own.
std::string PathIn(const std::string& folder, const char* name);

// Whether `path` is absolute: a drive path "X:\...", a network path
// "\\server\share\...", or either behind "\\?\" ("\\?\X:\...",
// "\\?\UNC\server\share\..."). Not "UNC\server\...", nor a path from a
// folder or a drive's current folder.
bool IsAbsolutePath(const std::string& path);
