#include "shared/command_line.h"

#include <gtest/gtest.h>

namespace {

// Stands in for a double-byte code page in which every byte from 0x81 opens a
// two-byte character.
bool HighLeadBytes(unsigned char byte) { return byte >= 0x81; }

struct CountCase {
  const char* line;
  int count;
};

const char kOwnPath[] = "C:\\Dist\\up.exe";

TEST(CommandLine, CountsArgumentsByTheStartUpRules) {
  const CountCase cases[] = {
      // Tails after a plain program name.
      {"up.exe", 1},
      {"up.exe   \t ", 1},
      {"up.exe word", 2},
      {"up.exe \"two words\"", 2},
      {"up.exe \\\"", 2},
      {"up.exe \"\"", 2},
      {"up.exe \"\"word", 2},
      {"up.exe two words", 3},
      {"up.exe \"\" word", 3},
      {"up.exe \"a\"\"b c\"", 3},
      {"up.exe word   ", 2},
      {"up.exe \"unclosed stretch runs on", 2},
      // Backslashes before a quote: 2n give n and a quote that opens or
      // closes; 2n+1 give n and a literal quote.
      {"up.exe a\\\\\"b c\"", 2},
      {"up.exe a\\\\\\\"b c", 3},
      {"up.exe a\\\\b c", 3},
      // Program-name forms.
      {"\"C:\\My Dist\\up.exe\" word", 2},
      {"\"C:\\My Dist\\up.exe\"word", 2},
      {"\"C:\\My Dist\\up.exe\"", 1},
      {"\"C:\\My Dist\\up.exe word", 1},
      {"C:\\a\"b c", 2},
      {" up.exe", 2},
      {"\tup.exe word", 3},
  };
  for (const CountCase& c : cases) {
    EXPECT_EQ(CountArguments(c.line, kOwnPath, NoLeadBytes), c.count)
        << "line: [" << c.line << "]";
  }
}

TEST(CommandLine, EmptyLineIsSplitAsTheProgramsOwnPath) {
  EXPECT_EQ(CountArguments("", "C:\\Dist\\up.exe", NoLeadBytes), 1);
  EXPECT_EQ(CountArguments("", "C:\\Program Files\\Dist\\up.exe", NoLeadBytes),
            2);
  EXPECT_EQ(CountArguments(nullptr, "C:\\Program Files\\My Dist\\up.exe",
                           NoLeadBytes),
            3);
}

TEST(CommandLine, SplitsArgumentTexts) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("p \"a\"\"b c\"", kOwnPath, NoLeadBytes),
            (Args{"p", "a\"b", "c"}));
  EXPECT_EQ(SplitCommandLine("p a\\\\\\\"b c\\d \"\"", kOwnPath, NoLeadBytes),
            (Args{"p", "a\\\"b", "c\\d", ""}));
  EXPECT_EQ(
      SplitCommandLine("\"C:\\a b\\p\"x\\\\\"y z\"", kOwnPath, NoLeadBytes),
      (Args{"C:\\a b\\p", "x\\y z"}));
  EXPECT_EQ(SplitCommandLine(" p", kOwnPath, NoLeadBytes), (Args{"", "p"}));
}

TEST(CommandLine, SecondByteOfDoubleByteCharacterIsNeverSyntax) {
  // 0x81 followed by a quote, a blank and a backslash: one character each.
  EXPECT_EQ(CountArguments("p a\x81\" b", kOwnPath, NoLeadBytes), 2);
  EXPECT_EQ(CountArguments("p a\x81\" b", kOwnPath, HighLeadBytes), 3);
  EXPECT_EQ(CountArguments("p a\x81 b", kOwnPath, NoLeadBytes), 3);
  EXPECT_EQ(CountArguments("p a\x81 b", kOwnPath, HighLeadBytes), 2);
  EXPECT_EQ(SplitCommandLine("p a\x81\\\"b c\"", kOwnPath, HighLeadBytes),
            (std::vector<std::string>{"p", "a\x81\\b c"}));
  // In the program name too, and a lead byte at the very end stands alone.
  EXPECT_EQ(CountArguments("p\x81 x", kOwnPath, HighLeadBytes), 1);
  EXPECT_EQ(SplitCommandLine("p a\x81", kOwnPath, HighLeadBytes),
            (std::vector<std::string>{"p", "a\x81"}));
}

}  // namespace
