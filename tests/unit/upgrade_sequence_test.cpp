#include "driver/upgrade_sequence.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/exit_codes.h"
#include "driver/install_locations.h"
#include "launch/process_runner.h"
#include "launch/program_location.h"
#include "platform/win32_api.h"
#include "removal/removal_stage.h"
#include "test_files.h"

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

// The program beside the tests, where the upgrade looks for its companions:
// a startable installer (the recorder fixture) and the uninstall response.
class UpgradeRun : public test_files::ScratchFolderTest {
 protected:
  UpgradeRun()
      : ScratchFolderTest(InfoFolderPath(InstallLayout::Layout32).c_str()) {}
  void SetUp() override {
    ScratchFolderTest::SetUp();
    char recorder[MAX_PATH] = {};
    GetFullPathNameA(TEST_BUILD_DIR "/tests/recorder" TEST_EXE_SUFFIX, MAX_PATH,
                     recorder, nullptr);
    ASSERT_TRUE(CopyFileA(recorder, installer_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(recorder, (info_ + "\\setup.exe").c_str(), FALSE));
    test_files::WriteFile(info_ + "\\Disk1\\data1.cab");
    // The response file's content does not matter here.
    ASSERT_TRUE(CopyFileA(installer_.c_str(), response_.c_str(), FALSE));
    started_.clear();
  }
  void TearDown() override {
    DeleteFileA(installer_.c_str());
    DeleteFileA(response_.c_str());
    test_files::Wipe(ModuleFolder() + "\\setup.iss");
    ScratchFolderTest::TearDown();
  }

  // Runs the upgrade with `hook` asked before each start.
  static int Run(StartHook hook, int argumentCount) {
    const test_files::ScopedHook<StartHook> seam(SetStartHookForTesting, hook);
    return RunUpgrade(InstallLayout::Layout32, argumentCount,
                      UpgradeOptions{0, ExitCodeChoice::Classic, ""},
                      UpgradeLog());
  }

  // The information folder holds what it held, and no response file.
  void ExpectInformationFolderWhole() const {
    EXPECT_TRUE(test_files::Exists(info_ + "\\setup.exe"));
    EXPECT_TRUE(test_files::Exists(info_ + "\\Disk1\\data1.cab"));
    EXPECT_FALSE(test_files::Exists(info_ + "\\uninstall.iss"));
  }

  static DWORD RecordAndRefuse(const LaunchCommand& command) {
    started_.push_back(command.line);
    return ERROR_FILE_NOT_FOUND;
  }

  static DWORD RefuseUninstallerForElevation(const LaunchCommand& command) {
    started_.push_back(command.line);
    const bool uninstaller = command.program.size() >= 9 &&
                             command.program.compare(command.program.size() - 9,
                                                     9, "setup.exe") == 0;
    return uninstaller ? ERROR_ELEVATION_REQUIRED : ERROR_FILE_NOT_FOUND;
  }

  const std::string info_ = InfoFolderPath(InstallLayout::Layout32).c_str();
  const std::string installer_ = ModuleFolder() + "\\data.exe";
  const std::string response_ = ModuleFolder() + "\\uninstall.iss";
  static std::vector<std::string> started_;
};

std::vector<std::string> UpgradeRun::started_;

// An uninstaller refused for want of elevation stops the upgrade: the old
// version stays whole, the response file placed for it goes, and nothing else
// is started.
TEST_F(UpgradeRun, UninstallerRefusedForElevationRemovesAndStartsNothing) {
  EXPECT_EQ(Run(RefuseUninstallerForElevation, 1), kExitNeedsElevation);
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0], BuildUninstallCommand(info_).line);
  ExpectInformationFolderWhole();
}

// The refusals that come before anything is changed, with a previous version
// there: each starts nothing and leaves the information folder whole.
TEST_F(UpgradeRun, RefusalsBeforeAnyChangeStartNothing) {
  const std::string own = OwnProgramPath();
  const struct {
    const char* arranged;
    std::function<void()> arrange;
    int argumentCount;
    int exitCode;
  } cases[] = {
      {"installer missing", [&] { DeleteFileA(installer_.c_str()); }, 1,
       kExitInstallerCannotStart},
      {"installer a copy of this program",
       [&] { CopyFileA(own.c_str(), installer_.c_str(), FALSE); }, 1,
       kExitWouldStartItself},
      {"silent, setup.iss a folder",
       [&] { test_files::MakeFolder(ModuleFolder() + "\\setup.iss"); }, 2,
       kExitInstallerCannotStart},
      {"uninstaller a copy of this program",
       [&] { CopyFileA(own.c_str(), (info_ + "\\setup.exe").c_str(), FALSE); },
       1, kExitWouldStartItself},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arranged);
    c.arrange();
    EXPECT_EQ(Run(RecordAndRefuse, c.argumentCount), c.exitCode);
    EXPECT_TRUE(started_.empty()) << "started " << started_[0];
    ExpectInformationFolderWhole();
    TearDown();
    SetUp();
  }
}

}  // namespace
