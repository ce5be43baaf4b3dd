#include "launch/program_location.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32_api.h"

namespace {

TEST(ProgramLocation, ModuleFolderAndNameMakeUpTheRunningProgramsPath) {
  const std::string folder = ModuleFolder();
  char own[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
  ASSERT_GT(length, folder.size());
  EXPECT_EQ(std::string(own, folder.size()), folder);
  EXPECT_EQ(own[folder.size()], '\\');
  EXPECT_EQ(std::strchr(own + folder.size() + 1, '\\'), nullptr);
  EXPECT_EQ(OwnProgramName(), own + folder.size() + 1);
  EXPECT_EQ(OwnProgramPath(), own);
}

}  // namespace
