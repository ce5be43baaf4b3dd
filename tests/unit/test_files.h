// Files and folders for tests, addressed by their Windows paths on drive C:.
// In the native build drive C: is a host folder (TEST_DRIVE_C_HOST); under
// Windows the paths are used as they are.
#pragma once

#include <filesystem>
#include <string>

namespace test_files {

// The path the test process uses for the file at `drivePath` ("C:\...").
std::filesystem::path Host(const std::string& drivePath);

// Creates the folder and its parents.
void MakeFolder(const std::string& drivePath);

// Creates or replaces a file holding `text`, creating its folder first.
void WriteFile(const std::string& drivePath, const std::string& text = "x");

std::string ReadFile(const std::string& drivePath);

bool Exists(const std::string& drivePath);

void MakeReadOnly(const std::string& drivePath);
bool IsReadOnly(const std::string& drivePath);

// Deletes the tree, read-only entries included, without following links.
void Wipe(const std::string& drivePath);

}  // namespace test_files
