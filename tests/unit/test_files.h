// Files and folders for tests, addressed by their Windows paths on drive C:.
// In the native build drive C: is a host folder (TEST_DRIVE_C_HOST); under
// Windows the paths are used as they are. Every call that changes something
// first stops the test program unless drive C: is one the tests made.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

namespace test_files {

// The path the test process uses for the file at `drivePath` ("C:\...");
// natively drive Z: is the host root, as the program sees it.
std::filesystem::path Host(const std::string& drivePath);

// Creates the folder and its parents.
void MakeFolder(const std::string& drivePath);

// Creates or replaces a file holding `text`, creating its folder first.
void WriteFile(const std::string& drivePath, const std::string& text = "x");

std::string ReadFile(const std::string& drivePath);

bool Exists(const std::string& drivePath);

void MakeReadOnly(const std::string& drivePath);
bool IsReadOnly(const std::string& drivePath);

// Makes `link` a link to the folder `target`; false where the system makes
// no such link (a Windows program under Wine cannot).
bool MakeFolderLink(const std::string& target, const std::string& link);

// Deletes the tree, read-only entries included, without following links.
void Wipe(const std::string& drivePath);

// Sets a test seam's hook for the object's life, then puts back the one it
// replaced: ScopedHook<SleepHook> pause(SetSleepHookForTesting, FakeSleep);
template <typename Hook>
class ScopedHook {
 public:
  template <typename Given>
  ScopedHook(Hook (*set)(Hook), Given hook) : set_(set), replaced_(set(hook)) {}
  ~ScopedHook() { set_(replaced_); }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;

 private:
  Hook (*set_)(Hook);
  Hook replaced_;
};

// A fixture whose scratch folder is empty when each test starts and gone
// when it ends.
class ScratchFolderTest : public ::testing::Test {
 protected:
  explicit ScratchFolderTest(std::string folder) : folder_(std::move(folder)) {}
  void SetUp() override {
    Wipe(folder_);
    MakeFolder(folder_);
  }
  void TearDown() override { Wipe(folder_); }

 private:
  std::string folder_;
};

}  // namespace test_files
