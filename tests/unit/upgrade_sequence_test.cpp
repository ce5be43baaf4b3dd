#include "driver/upgrade_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// The exit code of a run that reached the installer: a row per rule.
TEST(UpgradeSequence, ExitCodeOfARunThatReachedTheInstaller) {
  const auto ended = [](std::optional<DWORD> code) {
    return std::optional<ProgramRun>(
        ProgramRun{ERROR_SUCCESS, ERROR_SUCCESS, code});
  };
  const std::optional<ProgramRun> notResumed =
      ProgramRun{ERROR_ACCESS_DENIED, ERROR_SUCCESS, std::nullopt};
  const std::optional<ProgramRun> waitFailed =
      ProgramRun{ERROR_SUCCESS, ERROR_INVALID_HANDLE, std::nullopt};
  const ExitCodeChoice classic = ExitCodeChoice::Classic;
  const ExitCodeChoice own = ExitCodeChoice::Installer;
  const struct {
    const char* rule;
    ExitCodeChoice choice;
    std::optional<ProgramRun> ran;
    bool previous;
    bool setupLogFailure;
    std::optional<DWORD> uninstall;
    int exitCode;
  } cases[] = {
      {"classic: 0 whatever it ended with", classic, ended(5), true, true, 3010,
       kExitUpgradeRan},
      {"the installer's own code", own, ended(5), true, false, 1641, 5},
      {"0 with a setup.log failure", own, ended(0), false, true, 3010,
       kExitInstallFailed},
      {"0 after an uninstall's 3010", own, ended(0), true, false, 3010,
       kExitRestartNeeded},
      {"0 after an uninstall's 1641", own, ended(0), true, false, 1641,
       kExitRestartNeeded},
      {"0 after an uninstall's 0", own, ended(0), true, false, 0, 0},
      {"an exit code that cannot be read", own, ended(std::nullopt), true,
       false, 3010, kExitInstallerEndUnknown},
      {"a wait that failed", classic, waitFailed, true, false, 0,
       kExitInstallerEndUnknown},
      {"not resumed after the removal", classic, notResumed, true, false, 0,
       kExitInstallerNotResumed},
      {"not resumed, nothing installed before", own, notResumed, false, false,
       std::nullopt, kExitNoInstallerStarted},
      {"ended by the loader, classic", classic, ended(0xC0000135), false, false,
       std::nullopt, kExitInstallerNotResumed},
      {"ended by the loader, its own code", own, ended(0xC0000142), true, false,
       std::nullopt, kExitInstallerNotResumed},
      {"none started, classic", classic, std::nullopt, false, false,
       std::nullopt, kExitUpgradeRan},
      {"none started, its own code", own, std::nullopt, false, false,
       std::nullopt, kExitNoInstallerStarted},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InstallExitCode(c.choice, c.ran, c.previous, c.setupLogFailure,
                              c.uninstall),
              c.exitCode)
        << "input: " << c.rule;
  }
}

// A wait on the product's mutex: free or abandoned by a killed owner makes
// it ours; a timeout or a failure does not.
TEST(UpgradeSequence, AMutexWaitMeansOursWhenFreeOrAbandoned) {
  const struct {
    DWORD wait;
    bool ours;
  } cases[] = {{WAIT_OBJECT_0, true},
               {WAIT_ABANDONED, true},
               {WAIT_TIMEOUT, false},
               {WAIT_FAILED, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(WaitMeansOwned(c.wait), c.ours) << "input: wait " << c.wait;
  }
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
  // A previous version installed and the new one beside the program, fresh
  // for each case, nothing failing and nothing seen yet.
  void Arrange() {
    test_files::Wipe(info_);
    test_files::Wipe(FolderOf(OwnProgramPath()) + "\\setup.iss");
    test_files::WriteFile(info_ + "\\Disk1\\data1.cab");
    char recorder[MAX_PATH] = {};
    GetFullPathNameA(TEST_BUILD_DIR "/tests/recorder" TEST_EXE_SUFFIX, MAX_PATH,
                     recorder, nullptr);
    ASSERT_TRUE(CopyWhenFree(recorder, installer_));
    ASSERT_TRUE(CopyWhenFree(recorder, info_ + "\\setup.exe"));
    // The response file's content does not matter here.
    ASSERT_TRUE(CopyFileA(installer_.c_str(), response_.c_str(), FALSE));
    steps_.clear();
    failing_.clear();
    uninstallResult_.clear();
  }
  void TearDown() override {
    DeleteFileA(installer_.c_str());
    DeleteFileA(response_.c_str());
    test_files::Wipe(FolderOf(OwnProgramPath()) + "\\setup.iss");
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

  // Runs the upgrade, without a log, with each step of each program's run
  // recorded, `failing_` failing, as `choice` and `afterFailure` ask, started
  // with `argumentCount` as the C runtime counts (natively the count itself).
  int Run(ExitCodeChoice choice, int argumentCount = 1,
          FailedUninstallChoice afterFailure = FailedUninstallChoice::Wipe) {
    const test_files::ScopedHook<StartHook> seam(SetStartHookForTesting,
                                                 FailOneStep);
    RunContext run = FindRunContext(InstallLayout::Layout32, argumentCount);
    if (RawCommandLine() != nullptr) {
      run.argumentCount = argumentCount;
      run.mode = ModeForArgumentCount(argumentCount);
    }
    const ProductLock lock;
    return RunUpgrade(run, lock, UpgradeOptions{0, choice, "", afterFailure},
                      UpgradeLog());
  }

  // The information folder holds what it held, and no response file.
  void ExpectInformationFolderWhole() const {
    EXPECT_TRUE(test_files::Exists(info_ + "\\setup.exe"));
    EXPECT_TRUE(test_files::Exists(info_ + "\\Disk1\\data1.cab"));
    EXPECT_FALSE(test_files::Exists(info_ + "\\uninstall.iss"));
  }

  // Records each step of each run as "name step" and fails the one step
  // `failing_` names with `error_`. Once the uninstaller ended, writes
  // `uninstallResult_` into its setup.log, when one is given.
  static DWORD FailOneStep(const std::string& program, RunStep step) {
    const char* const names[] = {"create", "resume", "let go", "wait",
                                 "exit code"};
    const std::string seen =
        LastPartOf(program) + " " + names[static_cast<int>(step)];
    if (seen == "setup.exe exit code" && !uninstallResult_.empty()) {
      test_files::WriteFile(
          InfoFolderPath(InstallLayout::Layout32) + "\\setup.log",
          "[ResponseResult]\r\nResultCode=" + uninstallResult_ + "\r\n");
    }
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
  static std::string uninstallResult_;
};

std::vector<std::string> UpgradeRun::steps_;
std::string UpgradeRun::failing_;
DWORD UpgradeRun::error_;
std::string UpgradeRun::uninstallResult_;

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
      // Resumed, it runs to its end even where the job keeps its limit.
      {"data.exe let go", ERROR_ACCESS_DENIED, ExitCodeChoice::Classic,
       kExitUpgradeRan, true},
      {"data.exe exit code", ERROR_INVALID_HANDLE, ExitCodeChoice::Installer,
       kExitInstallerEndUnknown, true},
      // Last: the installer it did not wait for may still be ending.
      {"data.exe wait", ERROR_INVALID_HANDLE, ExitCodeChoice::Classic,
       kExitInstallerEndUnknown, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("input: ") + c.failing);
    Arrange();
    failing_ = c.failing;
    error_ = c.error;
    EXPECT_EQ(Run(c.choice), c.exitCode);
    EXPECT_EQ(test_files::Exists(info_ + "\\Disk1\\data1.cab"), !c.wiped);
    EXPECT_EQ(Saw("data.exe resume"), c.wiped);
    // Only an uninstaller that may still run keeps the response file.
    EXPECT_EQ(test_files::Exists(info_ + "\\uninstall.iss"),
              c.failing == std::string("setup.exe wait"));
  }
}

// Built to keep the previous version after a failed uninstall, and with no
// log: a ResultCode below 0 in the uninstaller's setup.log ends the run with
// 1603 in both exit-code settings, the information folder whole but for the
// response file placed, the installer never run. A ResultCode of 0, or the
// default build, wipes and installs.
TEST_F(UpgradeRun, AFailedUninstallKeepsThePreviousVersionWhenBuiltToKeep) {
  const struct {
    const char* result;
    FailedUninstallChoice afterFailure;
    ExitCodeChoice choice;
    int exitCode;
    bool wiped;
  } cases[] = {
      {"-3", FailedUninstallChoice::Keep, ExitCodeChoice::Classic,
       kExitInstallFailed, false},
      {"-51", FailedUninstallChoice::Keep, ExitCodeChoice::Installer,
       kExitInstallFailed, false},
      {"0", FailedUninstallChoice::Keep, ExitCodeChoice::Classic,
       kExitUpgradeRan, true},
      {"-3", FailedUninstallChoice::Wipe, ExitCodeChoice::Classic,
       kExitUpgradeRan, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("input: ResultCode=") + c.result);
    Arrange();
    uninstallResult_ = c.result;
    EXPECT_EQ(Run(c.choice, 1, c.afterFailure), c.exitCode);
    uninstallResult_.clear();
    EXPECT_EQ(Saw("data.exe resume"), c.wiped);
    if (c.wiped) {
      EXPECT_FALSE(test_files::Exists(info_));
    } else {
      ExpectInformationFolderWhole();
    }
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

// The refusals that come before anything is changed, with a previous version
// there: each starts nothing and leaves the information folder whole.
TEST_F(UpgradeRun, RefusalsBeforeAnyChangeStartNothing) {
  const std::string own = OwnProgramPath();
  const std::string module = FolderOf(own);
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
       [&] { test_files::MakeFolder(module + "\\setup.iss"); }, 2,
       kExitInstallerCannotStart},
      {"uninstaller a copy of this program",
       [&] { CopyFileA(own.c_str(), (info_ + "\\setup.exe").c_str(), FALSE); },
       1, kExitWouldStartItself},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("input: ") + c.arranged);
    Arrange();
    c.arrange();
    EXPECT_EQ(Run(ExitCodeChoice::Classic, c.argumentCount), c.exitCode);
    EXPECT_TRUE(steps_.empty()) << "started " << steps_[0];
    ExpectInformationFolderWhole();
  }
}

}  // namespace
