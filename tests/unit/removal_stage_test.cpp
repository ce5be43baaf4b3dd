#include "removal/removal_stage.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/install_locations.h"
#include "engine/product_registration.h"
#include "launch/process_runner.h"
#include "test_files.h"

namespace {

const std::string kWork = "C:\\upgrade-test\\stage";
const std::string kDist = kWork + "\\dist";
const std::string kInfo = kWork + "\\info";
const UpgradeOptions kClassic = {0, ExitCodeChoice::Classic, "",
                                 FailedUninstallChoice::Wipe};

// The recorder fixture, which, with no record file, ends at once with 2.
std::string RecorderPath() {
  char recorder[MAX_PATH] = {};
  GetFullPathNameA(TEST_BUILD_DIR "/tests/recorder" TEST_EXE_SUFFIX, MAX_PATH,
                   recorder, nullptr);
  return recorder;
}

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

// One already there stays, and the log is told that the distribution's was
// not placed, and why.
TEST_F(RemovalStage, NeverOverwritesAResponseFileAlreadyThere) {
  test_files::WriteFile(kDist + "\\uninstall.iss", "new");
  test_files::WriteFile(kInfo + "\\uninstall.iss", "already there");
  const ResponsePlacement placement = PlaceUninstallResponse(kDist, kInfo);
  EXPECT_EQ(test_files::ReadFile(kInfo + "\\uninstall.iss"), "already there");
  EXPECT_FALSE(placement.copy.has_value());
  EXPECT_EQ(NotPlacedText(placement),
            "the distribution's uninstall.iss was not placed: the information "
            "folder holds an uninstall.iss already, which the uninstaller "
            "reads instead");
}

TEST_F(RemovalStage, MissingSourceCopiesNothing) {
  const ResponsePlacement placement = PlaceUninstallResponse(kDist, kInfo);
  EXPECT_FALSE(test_files::Exists(kInfo + "\\uninstall.iss"));
  EXPECT_EQ(placement.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(NotPlacedText(placement), "");
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

// The statuses with which the loader ends a program it could not get to run
// are told from the codes a program that ran ends with.
TEST(ProcessRunner, TellsTheLoadersEndingsFromAProgramsOwn) {
  const struct {
    DWORD exitCode;
    bool loader;
  } cases[] = {
      {0xC0000135u, true},  {0xC0000138u, true},  {0xC0000139u, true},
      {0xC000007Bu, true},  {0xC0000142u, true},  {0u, false},
      {1603u, false},       {3010u, false},       {0xC0000005u, false},
      {0xC0000136u, false}, {0x40000135u, false},
  };
  for (const auto& c : cases) {
    const char* name = LoaderEndingName(c.exitCode);
    EXPECT_EQ(name != nullptr, c.loader) << std::hex << c.exitCode;
    if (name != nullptr) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08lX",
                    static_cast<unsigned long>(c.exitCode));
      EXPECT_EQ(std::string(name).rfind(hex, 0), 0u) << name;
    }
  }
}

// The uninstaller's run is reported: its exit code (the recorder's without a
// record file), and whether the wait for what it started ran and how it
// ended.
TEST_F(RemovalStage, TheRunnerReportsTheExitCodeAndTheEndOfTheHelpersWait) {
  const std::string recorder = RecorderPath();
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

// Not a test: a program of a minute for the bound below, which ends it.
TEST(ProcessRunnerChild, DISABLED_RunsForAMinute) { Sleep(60000); }

TEST_F(RemovalStage, TheRunnerEndsAProgramStillRunningAtItsBound) {
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  LaunchCommand command{own, "\"" + std::string(own) +
                                 "\" --gtest_also_run_disabled_tests "
                                 "--gtest_filter=ProcessRunnerChild.*"};
  const HelpersRun run = RunAndWaitWithHelpers(command, 5, 1);
  EXPECT_TRUE(run.endedAtBound && !run.exitCode && run.waitError == 0)
      << "60 s against a bound of 1 s: " << RunOutcomeText("setup.exe", run);
}

// Built with keep, what the uninstall did or left decides whether it failed.
TEST(UninstallFailure, FailsWhenTheUninstallCannotHaveWorked) {
  const auto Ran = [](DWORD startError, std::optional<DWORD> exitCode,
                      HelpersRun::Wait helpers = HelpersRun::Wait::AllGone) {
    HelpersRun ran;
    ran.startError = startError;
    ran.exitCode = exitCode;
    ran.helpers = helpers;
    return ran;
  };
  const auto Wrote = [](bool written, std::optional<int> code) {
    SetupLogResult result;
    result.written = written;
    result.resultCode = code;
    return result;
  };
  const SetupLogResult none = Wrote(false, std::nullopt);
  const struct {
    HelpersRun ran;
    SetupLogResult written;
    std::string notRemoved;
    const char* failure;  // the start of the reason, or null for none
  } cases[] = {
      {Ran(ERROR_SUCCESS, 0u), Wrote(true, 0), "", nullptr},
      {Ran(ERROR_SUCCESS, 23u), none, "", nullptr},
      {Ran(ERROR_SUCCESS, std::nullopt), none, "", nullptr},
      {Ran(ERROR_FILE_NOT_FOUND, std::nullopt), none, "", nullptr},
      {Ran(ERROR_PATH_NOT_FOUND, std::nullopt), none, "", nullptr},
      {Ran(ERROR_SUCCESS, 0xBFFFFFFFu), none, "", nullptr},
      {Ran(ERROR_BAD_EXE_FORMAT, std::nullopt), none, "",
       "the system refused to start the uninstaller: error 193"},
      {Ran(ERROR_ACCESS_DENIED, std::nullopt), none, "",
       "the system refused to start the uninstaller: error 5"},
      {Ran(ERROR_SUCCESS, 0xC0000005u), Wrote(true, 0), "",
       "the uninstaller ended with the system's status 0xC0000005"},
      {Ran(ERROR_SUCCESS, 0u), Wrote(true, -3), "",
       "the uninstaller reported a failure in setup.log (ResultCode=-3)"},
      {Ran(ERROR_SUCCESS, 0u, HelpersRun::Wait::BoundReached), Wrote(true, 0),
       "", "processes the uninstaller started still ran at the helpers' bound"},
      {Ran(ERROR_SUCCESS, 0u), Wrote(false, -3), "", nullptr},
      {Ran(ERROR_SUCCESS, 0u), Wrote(true, std::nullopt), "",
       "the uninstaller wrote a setup.log whose ResultCode cannot be read"},
      {Ran(ERROR_SUCCESS, 0u), Wrote(true, 0), "the registration K stayed",
       "the uninstall removed nothing it registered: the registration K"},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> failure =
        UninstallFailure(c.ran, c.written, c.notRemoved);
    const std::string said = failure ? *failure : "(none)";
    if (c.failure == nullptr) {
      EXPECT_FALSE(failure) << "start error " << c.ran.startError << ": said ["
                            << said << "], expected none";
    } else {
      EXPECT_EQ(said.rfind(c.failure, 0), 0u)
          << "start error " << c.ran.startError << ": said [" << said
          << "], expected [" << c.failure << "]";
    }
  }
}

// The uninstaller runs, ends and leaves the product's registration there:
// built to wipe, the log says so and the folder goes; built to keep, the
// run stops with 1603 and the folder stays, less the response file placed.
TEST_F(RemovalStage, ARegistrationLeftIsLoggedOrKeepsThePreviousVersion) {
  const std::string key = ProductRegistrationKeys()[0];
  HKEY made = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_WOW64_32KEY,
                      nullptr, &made, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(made);
  const std::string log = kWork + "\\upgrade.log";
  RunContext run;
  run.moduleFolder = kDist;
  run.infoFolder = kInfo;
  for (const FailedUninstallChoice choice :
       {FailedUninstallChoice::Keep, FailedUninstallChoice::Wipe}) {
    const bool keep = choice == FailedUninstallChoice::Keep;
    test_files::WriteFile(kDist + "\\uninstall.iss", "[response]");
    std::filesystem::copy_file(
        test_files::Host(RecorderPath()),
        test_files::Host(kInfo + "\\setup.exe"),
        std::filesystem::copy_options::overwrite_existing);
    const UpgradeOptions options = {0, ExitCodeChoice::Classic, "", choice};
    LaunchCommand uninstall = BuildUninstallCommand(kInfo);
    const RemovalResult result =
        RemovePreviousInstall(run, uninstall, options, UpgradeLog{log});
    EXPECT_EQ(result.refusal ? result.refusal->exitCode : 0,
              keep ? kExitInstallFailed : 0);
    EXPECT_EQ(test_files::Exists(kInfo + "\\setup.exe"), keep);
    EXPECT_FALSE(test_files::Exists(kInfo + "\\uninstall.iss"));
    const std::string said = test_files::ReadFile(log);
    EXPECT_NE(said.find("uninstall: the registration HKLM\\" + key +
                        " (32-bit view) was there before and stayed"),
              std::string::npos)
        << said;
    EXPECT_EQ(
        said.find("built to wipe, the upgrade goes on") != std::string::npos,
        !keep)
        << said;
    test_files::Wipe(log);
  }
  EXPECT_EQ(
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0),
      ERROR_SUCCESS);
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
