#include "engine/setup_log.h"

#include <gtest/gtest.h>

#include <string>

#include "log/upgrade_log.h"

namespace {

std::string Utf16(const std::string& text) {
  std::string wide = "\xFF\xFE";
  for (char c : text) wide += std::string{c, '\0'};
  return wide;
}

TEST(SetupLog, ResultCodeOfTheResponseResultSection) {
  const struct {
    std::string text;
    std::optional<int> code;
  } cases[] = {
      {"[ResponseResult]\r\nResultCode=0\r\n", 0},
      {"[InstallShield Silent]\r\nResultCode=7\r\n[responseresult]\r\n"
       "resultcode = -3\r\n[Application]\r\nResultCode=9\r\n",
       -3},
      {Utf16("[ResponseResult]\r\nResultCode=-51\r\n"), -51},
      {"\xEF\xBB\xBF[ResponseResult]\nResultCode=3010", 3010},
      {"[ResponseResult]\r\nResultCode=\r\n", std::nullopt},
      {"[ResponseResult]\r\nResultCode=-3x\r\n", std::nullopt},
      {"[ResponseResult]\r\nResultCode=99999999999\r\n", std::nullopt},
      {"[Application]\r\nResultCode=0\r\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SetupLogResultCode(c.text), c.code) << "text: [" << c.text << "]";
  }
}

// A log path is used only as a drive path with every reference expanded: an
// undefined one stays as it stands, an empty one leaves no drive.
TEST(UpgradeLog, OnlyADrivePathWithNothingLeftToExpandIsUsed) {
  EXPECT_EQ(OpenUpgradeLog("").path, "");
  EXPECT_EQ(OpenUpgradeLog("C:\\Logs\\upgrade.log").path,
            "C:\\Logs\\upgrade.log");
  EXPECT_EQ(OpenUpgradeLog("%UPGRADE_TEST_NOT_SET%\\upgrade.log").path, "");
  for (const char* path :
       {"\\Temp\\upgrade.log", "upgrade.log", "C:", "C:\\", "C:upgrade.log",
        "C:/Logs/upgrade.log", "\\\\server\\share\\upgrade.log",
        "C:\\100%\\upgrade.log"}) {
    EXPECT_FALSE(IsUsableLogPath(path)) << "path: [" << path << "]";
  }
  EXPECT_FALSE(IsUsableLogPath("C:\\" + std::string(MAX_PATH, 'x')));
  EXPECT_TRUE(IsUsableLogPath("D:\\upgrade.log"));
}

}  // namespace
