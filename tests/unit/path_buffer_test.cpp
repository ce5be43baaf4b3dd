#include "driver/path_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PathBuffer, RefusesTextThatDoesNotFitAndKeepsWhatItHad) {
  PathBuffer buffer;
  EXPECT_TRUE(buffer.Append("C:\\"));
  EXPECT_TRUE(buffer.Append(std::string(252, 'a').c_str()));
  EXPECT_EQ(buffer.size(), 255u);
  EXPECT_FALSE(buffer.Append("b"));
  EXPECT_EQ(buffer.size(), 255u);
  EXPECT_EQ(std::string(buffer.c_str()), "C:\\" + std::string(252, 'a'));
}

}  // namespace
