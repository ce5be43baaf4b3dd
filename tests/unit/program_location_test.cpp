#include "files/program_location.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/path_parts.h"
#include "platform/win32_api.h"

namespace {

TEST(ProgramLocation, ModuleFolderAndNameMakeUpTheRunningProgramsPath) {
  const std::string folder = FolderOf(OwnProgramPath());
  char own[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
  ASSERT_GT(length, folder.size());
  EXPECT_EQ(std::string(own, folder.size()), folder);
  EXPECT_EQ(own[folder.size()], '\\');
  EXPECT_EQ(std::strchr(own + folder.size() + 1, '\\'), nullptr);
  EXPECT_EQ(LastPartOf(OwnProgramPath()), own + folder.size() + 1);
  EXPECT_EQ(OwnProgramPath(), own);
}

// Under the system-wide UTF-8 code page the system refuses the best-fit and
// used-default arguments of the exact-path check; the program must still
// read its own path.
TEST(ProgramLocation, OwnPathIsReadUnderTheUtf8CodePage) {
  const UINT previous = SetActiveCodePageForTesting(CP_UTF8);
  if (previous == 0) GTEST_SKIP() << "a process's code page is fixed here";
  const std::string own = OwnProgramPath();
  SetActiveCodePageForTesting(previous);
  char narrow[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, narrow, MAX_PATH);
  EXPECT_EQ(own, narrow);
}

}  // namespace
