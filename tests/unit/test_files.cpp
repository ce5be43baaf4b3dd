#include "test_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace test_files {

namespace {

const char kDriveMark[] = "C:\\.upgrade-tests-drive";

// Stops the test program before it changes anything on a drive C: the tests
// did not make: natively a folder inside the build tree, made and marked here
// when it is missing or empty; under Windows a Wine prefix the test run made
// and marked.
void RequireOwnDrive() {
  static const bool owned = [] {
    const std::string driveC = TEST_DRIVE_C_HOST;
    const std::string buildDir = TEST_BUILD_DIR;
    std::error_code error;
    if (!driveC.empty()) {
      if (driveC.compare(0, buildDir.size() + 1, buildDir + "/") != 0) {
        return false;
      }
      if (!fs::exists(driveC, error) || fs::is_empty(driveC, error)) {
        fs::create_directories(driveC, error);
        std::ofstream(Host(kDriveMark)) << "made by the tests\n";
      }
    }
    return fs::exists(Host(kDriveMark), error);
  }();
  if (!owned) {
    std::fprintf(stderr,
                 "refusing to change drive C:: the tests did not make it (it "
                 "lies outside the build tree or carries no %s)\n",
                 kDriveMark);
    std::exit(2);
  }
}

}  // namespace

fs::path Host(const std::string& drivePath) {
  const std::string driveC = TEST_DRIVE_C_HOST;
  const bool onC = drivePath.compare(0, 2, "C:") == 0;
  if (driveC.empty() || (!onC && drivePath.compare(0, 2, "Z:") != 0)) {
    return drivePath;
  }
  std::string rest = drivePath.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  return (onC ? driveC : std::string()) + rest;
}

void MakeFolder(const std::string& drivePath) {
  RequireOwnDrive();
  fs::create_directories(Host(drivePath));
}

void WriteFile(const std::string& drivePath, const std::string& text) {
  RequireOwnDrive();
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
  RequireOwnDrive();
  fs::permissions(
      Host(drivePath),
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
      fs::perm_options::remove);
}

bool IsReadOnly(const std::string& drivePath) {
  return (fs::status(Host(drivePath)).permissions() & fs::perms::owner_write) ==
         fs::perms::none;
}

bool MakeFolderLink(const std::string& target, const std::string& link) {
  RequireOwnDrive();
  std::error_code error;
  fs::create_directory_symlink(Host(target), Host(link), error);
  return !error;
}

void Wipe(const std::string& drivePath) {
  RequireOwnDrive();
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
