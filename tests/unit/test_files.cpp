#include "test_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace test_files {

fs::path Host(const std::string& drivePath) {
  const std::string driveC = TEST_DRIVE_C_HOST;
  if (driveC.empty() || drivePath.compare(0, 2, "C:") != 0) return drivePath;
  std::string rest = drivePath.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  return driveC + rest;
}

void MakeFolder(const std::string& drivePath) {
  fs::create_directories(Host(drivePath));
}

void WriteFile(const std::string& drivePath, const std::string& text) {
  const fs::path path = Host(drivePath);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string ReadFile(const std::string& drivePath) {
  std::ifstream in(Host(drivePath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& drivePath) {
  std::error_code error;
  return fs::exists(fs::symlink_status(Host(drivePath), error));
}

void MakeReadOnly(const std::string& drivePath) {
  fs::permissions(
      Host(drivePath),
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
      fs::perm_options::remove);
}

bool IsReadOnly(const std::string& drivePath) {
  return (fs::status(Host(drivePath)).permissions() & fs::perms::owner_write) ==
         fs::perms::none;
}

void Wipe(const std::string& drivePath) {
  const fs::path root = Host(drivePath);
  std::error_code error;
  if (!fs::exists(fs::symlink_status(root, error))) return;
  if (fs::is_directory(fs::symlink_status(root, error))) {
    for (auto it = fs::recursive_directory_iterator(root, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
      if (!it->is_symlink()) {
        fs::permissions(it->path(), fs::perms::owner_write,
                        fs::perm_options::add, error);
      }
    }
    fs::permissions(root, fs::perms::owner_write, fs::perm_options::add, error);
  }
  fs::remove_all(root, error);
}

}  // namespace test_files
