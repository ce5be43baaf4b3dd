#include "driver/upgrade_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/install_locations.h"
#include "files/path_parts.h"
#include "files/program_location.h"
#include "install/install_stage.h"
#include "launch/process_runner.h"
#include "platform/win32_api.h"
#include "removal/removal_stage.h"
#include "shared/exit_codes.h"
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
  UpgradeRun() : ScratchFolderTest(InfoFolderPath(InstallLayout::Layout32)) {}
  void SetUp() override {
    ScratchFolderTest::SetUp();
    char recorder[MAX_PATH] = {};
    GetFullPathNameA(TEST_BUILD_DIR "/tests/recorder" TEST_EXE_SUFFIX, MAX_PATH,
                     recorder, nullptr);
    ASSERT_TRUE(CopyWhenFree(recorder, installer_));
    ASSERT_TRUE(CopyWhenFree(recorder, info_ + "\\setup.exe"));
    test_files::WriteFile(info_ + "\\Disk1\\data1.cab");
    // The response file's content does not matter here.
    ASSERT_TRUE(CopyFileA(installer_.c_str(), response_.c_str(), FALSE));
    steps_.clear();
  }
  void TearDown() override {
    DeleteFileA(installer_.c_str());
    DeleteFileA(response_.c_str());
    ScratchFolderTest::TearDown();
  }

  // A program a case did not wait for may still hold its file for a moment:
  // tries for up to 10 s.
  static bool CopyWhenFree(const char* from, const std::string& to) {
    for (int tries = 0; tries < 100; ++tries) {
      if (CopyFileA(from, to.c_str(), FALSE)) return true;
      Sleep(100);
    }
    return false;
  }

  // Records each step of each run as "name step" and fails the one step
  // `failing_` names with `error_`.
  static DWORD FailOneStep(const std::string& program, RunStep step) {
    const char* const names[] = {"create", "resume", "wait", "exit code"};
    const std::string seen =
        LastPartOf(program) + " " + names[static_cast<int>(step)];
    steps_.push_back(seen);
    return seen == failing_ ? error_ : static_cast<DWORD>(ERROR_SUCCESS);
  }

  bool Saw(const std::string& step) const {
    return std::find(steps_.begin(), steps_.end(), step) != steps_.end();
  }

  const std::string info_ = InfoFolderPath(InstallLayout::Layout32);
  const std::string installer_ = FolderOf(OwnProgramPath()) + "\\data.exe";
  const std::string response_ = FolderOf(OwnProgramPath()) + "\\uninstall.iss";
  static std::vector<std::string> steps_;
  static std::string failing_;
  static DWORD error_;
};

std::vector<std::string> UpgradeRun::steps_;
std::string UpgradeRun::failing_;
DWORD UpgradeRun::error_;

// A step of a program's run that fails: the loader refusing the installer
// before anything is removed, the uninstaller refused for want of elevation,
// a wait that fails, an installer that cannot be resumed after the wipe, an
// exit code that cannot be read. Each ends with its own code; the old version
// stays whole unless the wipe ran, and an installer not yet run never runs.
TEST_F(UpgradeRun, AFailedStepEndsWithItsCodeAndNeverLeavesNeither) {
  const struct {
    const char* failing;
    DWORD error;
    ExitCodeChoice choice;
    int exitCode;
    bool wiped;
  } cases[] = {
      {"data.exe create", ERROR_BAD_EXE_FORMAT, ExitCodeChoice::Classic,
       kExitInstallerCannotStart, false},
      {"data.exe create", ERROR_ELEVATION_REQUIRED, ExitCodeChoice::Installer,
       kExitNeedsElevation, false},
      {"setup.exe create", ERROR_ELEVATION_REQUIRED, ExitCodeChoice::Classic,
       kExitNeedsElevation, false},
      {"setup.exe wait", ERROR_INVALID_HANDLE, ExitCodeChoice::Classic,
       kExitUninstallerWaitFailed, false},
      {"data.exe resume", ERROR_ACCESS_DENIED, ExitCodeChoice::Classic,
       kExitInstallerNotResumed, true},
      {"data.exe exit code", ERROR_INVALID_HANDLE, ExitCodeChoice::Installer,
       kExitInstallerEndUnknown, true},
      // Last: the installer it did not wait for may still be ending.
      {"data.exe wait", ERROR_INVALID_HANDLE, ExitCodeChoice::Classic,
       kExitInstallerEndUnknown, true},
  };
  for (const auto& c : cases) {
    SetUp();
    failing_ = c.failing;
    error_ = c.error;
    steps_.clear();
    int exitCode = -1;
    {
      const test_files::ScopedHook<StartHook> hook(SetStartHookForTesting,
                                                   FailOneStep);
      exitCode = RunUpgrade(FindRunContext(InstallLayout::Layout32, 1),
                            UpgradeOptions{0, c.choice, ""}, UpgradeLog());
    }
    EXPECT_EQ(exitCode, c.exitCode) << c.failing;
    EXPECT_EQ(test_files::Exists(info_ + "\\Disk1\\data1.cab"), !c.wiped)
        << c.failing;
    EXPECT_EQ(Saw("data.exe resume"), c.wiped) << c.failing;
    // Only an uninstaller that may still run keeps the response file.
    EXPECT_EQ(test_files::Exists(info_ + "\\uninstall.iss"),
              c.failing == std::string("setup.exe wait"))
        << c.failing;
    TearDown();
  }
}

// The paths the run rests on must be absolute: a program started from a
// network path that the system hands over as "UNC\srv\..." (as Wine does),
// or a system folder that gives no drive root, is refused before anything.
TEST(UpgradePaths, ARelativeOwnPathOrSystemFolderIsRefused) {
  RunContext run;
  run.moduleFolder = "D:\\Setup";
  run.infoFolder = "C:\\Program Files\\x";
  const struct {
    const char* own;
    const char* info;
    bool refused;
  } cases[] = {
      {"D:\\Setup\\up.exe", "C:\\Program Files\\x", false},
      {"\\\\srv\\share\\up.exe", "C:\\Program Files\\x", false},
      {"\\\\?\\UNC\\srv\\share\\up.exe", "C:\\x", false},
      {"\\\\?\\D:\\up.exe", "C:\\x", false},
      {"UNC\\srv\\share\\up.exe", "C:\\x", true},
      {"\\\\srv\\up.exe", "C:\\x", true},
      {"D:up.exe", "C:\\x", true},
      {"\\Setup\\up.exe", "C:\\x", true},
      {"D:\\Setup\\up.exe", "", true},
      {"D:\\Setup\\up.exe", "Program Files\\x", true},
  };
  for (const auto& c : cases) {
    run.ownPath = c.own;
    run.infoFolder = c.info;
    const std::optional<Refusal> refusal = CheckPaths(run);
    EXPECT_EQ(refusal.has_value(), c.refused) << c.own << " " << c.info;
    if (refusal) {
      EXPECT_EQ(refusal->exitCode, kExitOwnPathNotExact);
    }
  }
}

}  // namespace
