#include "removal/removal_stage.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "engine/install_locations.h"
#include "launch/process_runner.h"
#include "test_files.h"

namespace {

const std::string kWork = "C:\\upgrade-test\\stage";
const std::string kDist = kWork + "\\dist";
const std::string kInfo = kWork + "\\info";
const UpgradeOptions kClassic = {0, ExitCodeChoice::Classic, "",
                                 FailedUninstallChoice::Wipe};

class RemovalStage : public test_files::ScratchFolderTest {
 protected:
  RemovalStage() : ScratchFolderTest(kWork) {}
  void SetUp() override {
    ScratchFolderTest::SetUp();
    test_files::MakeFolder(kDist);
    test_files::MakeFolder(kInfo);
  }
};

// The maintenance program by its full path, the response file quoted; the
// system starts the one and the program opens the other by paths within the
// path limit, in either layout.
TEST(UninstallCommand, RunsTheMaintenanceProgramWithTheQuotedResponseFile) {
  for (const InstallLayout layout :
       {InstallLayout::Layout32, InstallLayout::Layout64}) {
    const std::string folder = InfoFolderPath(layout);
    const std::string response = folder + "\\uninstall.iss";
    const LaunchCommand command = BuildUninstallCommand(folder);
    EXPECT_EQ(command.program, folder + "\\setup.exe") << "input: " << folder;
    EXPECT_EQ(command.line,
              folder + "\\setup.exe -s -uninst -f1\"" + response + "\"")
        << "input: " << folder;
    EXPECT_LT(command.program.size(), static_cast<std::size_t>(MAX_PATH));
    EXPECT_LT(response.size(), static_cast<std::size_t>(MAX_PATH));
  }
}

// A read-only source (a distribution on a CD) gives a copy the wipe can
// delete, so nothing of ours keeps the information folder.
TEST_F(RemovalStage, PlacesTheResponseFileWithoutItsReadOnlyState) {
  test_files::WriteFile(kDist + "\\uninstall.iss", "[response]");
  test_files::MakeReadOnly(kDist + "\\uninstall.iss");
  PlaceUninstallResponse(kDist, kInfo);
  EXPECT_EQ(test_files::ReadFile(kInfo + "\\uninstall.iss"), "[response]");
  EXPECT_FALSE(test_files::IsReadOnly(kInfo + "\\uninstall.iss"));
  EXPECT_TRUE(test_files::IsReadOnly(kDist + "\\uninstall.iss"));
}

TEST_F(RemovalStage, NeverOverwritesAResponseFileAlreadyThere) {
  test_files::WriteFile(kDist + "\\uninstall.iss", "new");
  test_files::WriteFile(kInfo + "\\uninstall.iss", "already there");
  PlaceUninstallResponse(kDist, kInfo);
  EXPECT_EQ(test_files::ReadFile(kInfo + "\\uninstall.iss"), "already there");
}

TEST_F(RemovalStage, MissingSourceCopiesNothing) {
  PlaceUninstallResponse(kDist, kInfo);
  EXPECT_FALSE(test_files::Exists(kInfo + "\\uninstall.iss"));
}

// The process runner reports the error of a start, which the decision above
// reads.
TEST_F(RemovalStage, TheRunnerReportsWhyAStartFailed) {
  LaunchCommand missing{kInfo + "\\setup.exe", kInfo + "\\setup.exe -s"};
  EXPECT_EQ(CreateSuspended(missing).startError,
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RunAndWaitWithHelpers(missing, 5).startError,
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// The uninstaller's run is reported: its exit code (the recorder's without a
// record file), and whether the wait for what it started ran and how it
// ended.
TEST_F(RemovalStage, TheRunnerReportsTheExitCodeAndTheEndOfTheHelpersWait) {
  char recorder[MAX_PATH] = {};
  GetFullPathNameA(TEST_BUILD_DIR "/tests/recorder" TEST_EXE_SUFFIX, MAX_PATH,
                   recorder, nullptr);
  for (const unsigned bound : {0u, 5u}) {
    LaunchCommand command{recorder, recorder};
    const HelpersRun run = RunAndWaitWithHelpers(command, bound);
    EXPECT_EQ(run.startError, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(2u)) << "bound " << bound;
    EXPECT_EQ(run.helpers,
              bound == 0 ? HelpersRun::Wait::Off : HelpersRun::Wait::AllGone);
  }
}

// Reached through a link, the folder's uninstaller runs, and the response file
// placed through the link goes after it: nothing stays where the link led.
TEST_F(RemovalStage, TheResponseFilePlacedThroughALinkGoesAfterTheUninstall) {
  const std::string linked = kWork + "\\linked";
  char recorder[MAX_PATH] = {};
  GetFullPathNameA(TEST_BUILD_DIR "/tests/recorder" TEST_EXE_SUFFIX, MAX_PATH,
                   recorder, nullptr);
  ASSERT_TRUE(CopyFileA(recorder, (kInfo + "\\setup.exe").c_str(), FALSE));
  test_files::WriteFile(kDist + "\\uninstall.iss", "[response]");
  if (!test_files::MakeFolderLink(kInfo, linked)) {
    GTEST_SKIP() << "here a test program cannot make a folder link";
  }
  RunContext run;
  run.moduleFolder = kDist;
  run.infoFolder = linked;
  LaunchCommand uninstall = BuildUninstallCommand(linked);
  const RemovalResult removal =
      RemovePreviousInstall(run, uninstall, kClassic, UpgradeLog());
  EXPECT_EQ(removal.uninstaller.startError, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(test_files::Exists(kInfo + "\\uninstall.iss"));
  EXPECT_TRUE(test_files::Exists(kInfo + "\\setup.exe"));
}

TEST_F(RemovalStage, WipesTheFolderEvenWithoutAMaintenanceProgram) {
  test_files::WriteFile(kInfo + "\\data\\file.bin");
  test_files::MakeReadOnly(kInfo);
  RunContext run;
  run.moduleFolder = kDist;
  run.infoFolder = kInfo;
  LaunchCommand uninstall = BuildUninstallCommand(kInfo);
  EXPECT_FALSE(
      RemovePreviousInstall(run, uninstall, kClassic, UpgradeLog()).refusal);
  EXPECT_FALSE(test_files::Exists(kInfo));
}

}  // namespace
