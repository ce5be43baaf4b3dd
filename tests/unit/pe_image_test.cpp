#include "launch/pe_image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace {

// The built program, read whole and cut short at places where a part of it
// is lost: only the whole file, or its first bytes with its full size, reads
// as whole.
TEST(PeImage, OnlyTheWholeBuiltProgramIsWhole) {
  std::ifstream in(TEST_BUILD_DIR "/upgrade" TEST_EXE_SUFFIX, std::ios::binary);
  std::vector<unsigned char> image{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GT(image.size(), 4096u);
  if (image[0] != 'M' || image[1] != 'Z') {
    GTEST_SKIP() << "this build makes no Windows image";
  }
  const std::size_t size = image.size();
  const struct {
    std::size_t head;
    std::size_t file;
    bool whole;
  } cases[] = {
      {size, size, true},
      {4096, size, true},
      {size - 1, size - 1, false},
      {size / 2, size / 2, false},
      {1024, 1024, false},
      {0x40, 0x40, false},
      {2, 2, false},
      {0, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PeImageIsWhole(image.data(), c.head, c.file), c.whole)
        << "first " << c.head << " bytes of a file of " << c.file;
  }
  // Headers that are not those of a PE image.
  const std::size_t signature = image[0x3C] | image[0x3D] << 8;
  image[signature + 1] = 'X';
  EXPECT_FALSE(PeImageIsWhole(image.data(), size, size));
}

}  // namespace
