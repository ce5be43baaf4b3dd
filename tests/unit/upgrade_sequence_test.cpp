#include "driver/upgrade_sequence.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UpgradeSequence, ExactlyOneArgumentMeansSilent) {
  EXPECT_EQ(ModeForArgumentCount(1), InstallMode::Interactive);
  EXPECT_EQ(ModeForArgumentCount(2), InstallMode::Silent);
  EXPECT_EQ(ModeForArgumentCount(3), InstallMode::Interactive);
  EXPECT_EQ(ModeForArgumentCount(7), InstallMode::Interactive);
}

// The install command of each mode, on a module folder and on a drive root,
// where the separator added after the root's own gives two in a row.
TEST(UpgradeSequence, InstallCommandOfEachMode) {
  const struct {
    InstallMode mode;
    const char* folder;
    const char* program;
    const char* line;
  } cases[] = {
      {InstallMode::Silent, "D:\\Setup", "D:\\Setup\\data.exe",
       "D:\\Setup\\data.exe -s -f1\"D:\\Setup\\setup.iss\""},
      {InstallMode::Silent, "D:\\", "D:\\\\data.exe",
       "D:\\\\data.exe -s -f1\"D:\\\\setup.iss\""},
      {InstallMode::Interactive, "D:\\Setup", "", "data.exe"},
  };
  for (const auto& c : cases) {
    const LaunchCommand command = BuildInstallCommand(c.mode, c.folder);
    EXPECT_EQ(command.program, c.program) << "folder: [" << c.folder << "]";
    EXPECT_EQ(command.line, c.line) << "folder: [" << c.folder << "]";
  }
}

}  // namespace
