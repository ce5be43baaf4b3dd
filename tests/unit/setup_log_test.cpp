#include "engine/setup_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "log/upgrade_log.h"
#include "test_files.h"

namespace {

// `text` in UTF-16, little-endian unless `bigEndian`, after `mark`.
std::string Utf16(const std::string& text, const std::string& mark = "\xFF\xFE",
                  bool bigEndian = false) {
  std::string wide = mark;
  for (char c : text) {
    wide += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
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
      // Written otherwise, with one meaning: read.
      {"[ResponseResult]\rResultCode=-3\r", -3},
      {"[ ResponseResult ]\r\nResultCode= - 3 \r\n", -3},
      {"[ResponseResult]\r\nResultCode=+0\r\n", 0},
      {Utf16("[ResponseResult]\r\nResultCode=-5\r\n", ""), -5},
      {Utf16("[ResponseResult]\r\nResultCode=-8\r\n", "\xFE\xFF", true), -8},
      {Utf16("[ResponseResult]\nResultCode=-1\n", "", true), -1},
      // Not a number as the engine writes one: unreadable.
      {"[ResponseResult]\r\nResultCode=-3;\r\n", std::nullopt},
      {"[ResponseResult]\r\nResultCode=\xE2\x88\x92"
       "3\r\n",
       std::nullopt},
      {"[ResponseResult]\r\nResultCode=0xFFFFFFFD\r\n", std::nullopt},
      {"[ResponseResult]\r\nResultCode=--3\r\n", std::nullopt},
      {"[ResponseResult\r\nResultCode=-3\r\n", std::nullopt},
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

// A setup.log counts as written when its identity, size or last-write time
// changed: an engine that rewrites an earlier failure's log in place at the
// same size is told by the time alone. A folder put in its place is written
// and holds no readable result, never "nothing written".
TEST(SetupLog, WrittenSinceByIdentitySizeOrLastWriteTime) {
  const std::string folder = "C:\\upgrade-test\\setup-log";
  const std::string path = folder + "\\setup.log";
  const struct {
    const char* change;
    const char* text;
    int secondsLater;
    bool written;
    std::optional<int> code;
  } cases[] = {
      {"untouched", "ResultCode=-3", 0, false, std::nullopt},
      {"same size, later", "ResultCode=-5", 2, true, -5},
      {"longer", "ResultCode=-51", 0, true, -51},
      {"a folder in its place", nullptr, 0, true, std::nullopt},
  };
  for (const auto& c : cases) {
    test_files::Wipe(folder);
    test_files::WriteFile(path, "[ResponseResult]\r\nResultCode=-3\r\n");
    const auto time = std::filesystem::last_write_time(test_files::Host(path));
    const SetupLogState before = SetupLogStateOf(path);
    if (c.text == nullptr) {
      std::filesystem::remove(test_files::Host(path));
      std::filesystem::create_directory(test_files::Host(path));
    } else if (c.text != std::string("ResultCode=-3")) {
      test_files::WriteFile(
          path, "[ResponseResult]\r\n" + std::string(c.text) + "\r\n");
      std::filesystem::last_write_time(
          test_files::Host(path), time + std::chrono::seconds(c.secondsLater));
    }
    const SetupLogResult result = SetupLogWrittenSince(path, before);
    EXPECT_EQ(result.written, c.written) << "input: " << c.change;
    EXPECT_EQ(result.resultCode, c.written ? c.code : std::nullopt)
        << "input: " << c.change;
  }
  test_files::Wipe(folder);
}

class SetupLogFile : public test_files::ScratchFolderTest {
 protected:
  SetupLogFile() : ScratchFolderTest("C:\\upgrade-test\\setup-log") {}
};

// A result behind 64 KiB of other sections is still read from the file.
TEST_F(SetupLogFile, ResultPastTheFirst64KiBIsRead) {
  const std::string path = "C:\\upgrade-test\\setup-log\\setup.log";
  test_files::WriteFile(path, "[Padding]\r\n" + std::string(70000, 'x') +
                                  "\r\n[ResponseResult]\r\nResultCode=-3\r\n");
  const SetupLogResult result = SetupLogWrittenSince(path, SetupLogState());
  EXPECT_TRUE(result.written);
  EXPECT_EQ(result.resultCode, std::optional<int>(-3));
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
