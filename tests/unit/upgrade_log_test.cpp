#include "log/upgrade_log.h"

#include <gtest/gtest.h>

#include <string>

#include "log/log_record.h"
#include "test_files.h"

namespace {

using test_files::Exists;
using test_files::MakeFolder;
using test_files::ReadFile;

// Each rule of a line: the date and time with their zeros, the bias with one
// sign, the severity as CMTrace's type, the process id, and the escapes.
TEST(LogRecord, LineOfEachFormat) {
  const LogMoment winter = {2026, 12, 8, 11, 22, 33, 456, -60};
  const struct {
    LogFormat format;
    LogMoment moment;
    LogSeverity severity;
    std::string text;
    std::string line;
  } cases[] = {
      {LogFormat::Plain, winter, LogSeverity::Failure, "exit code 1603",
       "2026-12-08 11:22:33.456 [4242] exit code 1603\r\n"},
      {LogFormat::Plain,
       {2027, 1, 5, 1, 2, 3, 4, 0},
       LogSeverity::Information,
       "left\r\n]LOG]!>\x1b\x7f",
       "2027-01-05 01:02:03.004 [4242] left<0d><0a>]LOG]!><1b><7f>\r\n"},
      {LogFormat::CMTrace, winter, LogSeverity::Information, "exit code 0",
       "<![LOG[exit code 0]LOG]!><time=\"11:22:33.456-060\" "
       "date=\"12-08-2026\" component=\"upgrade\" context=\"\" type=\"1\" "
       "thread=\"4242\" file=\"\">\r\n"},
      {LogFormat::CMTrace,
       {2027, 1, 5, 1, 2, 3, 4, 300},
       LogSeverity::Warning,
       "w",
       "<![LOG[w]LOG]!><time=\"01:02:03.004+300\" date=\"01-05-2027\" "
       "component=\"upgrade\" context=\"\" type=\"2\" thread=\"4242\" "
       "file=\"\">\r\n"},
      {LogFormat::CMTrace,
       {2026, 7, 1, 0, 0, 0, 0, 0},
       LogSeverity::Failure,
       "f",
       "<![LOG[f]LOG]!><time=\"00:00:00.000+000\" date=\"07-01-2026\" "
       "component=\"upgrade\" context=\"\" type=\"3\" thread=\"4242\" "
       "file=\"\">\r\n"},
      {LogFormat::CMTrace,
       {2026, 7, 1, 23, 59, 59, 999, -330},
       LogSeverity::Information,
       "x",
       "<![LOG[x]LOG]!><time=\"23:59:59.999-330\" date=\"07-01-2026\" "
       "component=\"upgrade\" context=\"\" type=\"1\" thread=\"4242\" "
       "file=\"\">\r\n"},
      // A name cannot end the record or the line: the record's end loses
      // its ">", a lone ">" stays.
      {LogFormat::CMTrace, winter, LogSeverity::Warning,
       ">a\r\n]LOG]!><time=\"x\">]LOG]!>",
       "<![LOG[>a<0d><0a>]LOG]!<3e><time=\"x\">]LOG]!<3e>]LOG]!><time=\"11:22:"
       "33.456-060\" date=\"12-08-2026\" component=\"upgrade\" context=\"\" "
       "type=\"2\" thread=\"4242\" file=\"\">\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatLogLine(c.format, c.moment, 4242, c.severity, c.text),
              c.line)
        << "text: [" << c.text << "], bias " << c.moment.biasMinutes;
  }
}

const char kWork[] = "C:\\UpgradeLogTest";

class LogFolder : public test_files::ScratchFolderTest {
 protected:
  LogFolder() : ScratchFolderTest(kWork) {}
};

// The log's own folder is made when missing, and the line written there; not
// when its parent is missing, nor inside a link's target.
TEST_F(LogFolder, MadeOnlyInAFolderOfItsOwn) {
  const std::string log = std::string(kWork) + "\\Software\\upgrade.log";
  const UpgradeLog opened = OpenUpgradeLog(log.c_str(), LogFormat::CMTrace);
  LogEvent(opened, LogSeverity::Failure, [] { return std::string("made"); });
  ASSERT_TRUE(Exists(log)) << "log: " << log;
  EXPECT_NE(ReadFile(log).find("<![LOG[made]LOG]!>"), std::string::npos)
      << ReadFile(log);
  EXPECT_NE(ReadFile(log).find("type=\"3\""), std::string::npos)
      << ReadFile(log);

  const std::string deeper = std::string(kWork) + "\\No\\Software\\u.log";
  LogEvent(OpenUpgradeLog(deeper.c_str()), [] { return std::string("x"); });
  EXPECT_FALSE(Exists(std::string(kWork) + "\\No")) << "a parent was made";

  const std::string target = std::string(kWork) + "\\Target";
  MakeFolder(target);
  if (test_files::MakeFolderLink(target, std::string(kWork) + "\\Link")) {
    const std::string linked = std::string(kWork) + "\\Link\\Software\\u.log";
    LogEvent(OpenUpgradeLog(linked.c_str()), [] { return std::string("x"); });
    EXPECT_FALSE(Exists(target + "\\Software"))
        << "the folder was made through a link";
  }
}

}  // namespace
