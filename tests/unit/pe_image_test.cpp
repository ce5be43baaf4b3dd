#include "launch/pe_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
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
  // Every build carries the marker that names it as this program.
  EXPECT_TRUE(PeImageIsThisProgram(image.data(), image.size()));
  const std::size_t size = image.size();
  const DWORD own = sizeof(void*) == 8 ? SCS_64BIT_BINARY : SCS_32BIT_BINARY;
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
    EXPECT_EQ(PeImageType(image.data(), c.head, c.file),
              c.whole ? std::optional<DWORD>(own) : std::nullopt)
        << "input: first " << c.head << " bytes of a file of " << c.file;
  }
  // A certificate table past the end, as in a signed file cut short, and one
  // within it.
  const std::size_t signature = image[0x3C] | image[0x3D] << 8;
  const std::size_t optional = signature + 24;
  const bool pe32 = image[optional] == 0x0B && image[optional + 1] == 0x01;
  unsigned char* certificates = &image[optional + (pe32 ? 96 : 112) + 4 * 8];
  const auto put32 = [](unsigned char* at, std::size_t value) {
    for (int i = 0; i < 4; ++i)
      at[i] = static_cast<unsigned char>(value >> 8 * i);
  };
  put32(certificates, size - 8);
  put32(certificates + 4, 16);
  EXPECT_FALSE(PeImageType(image.data(), size, size));
  put32(certificates + 4, 8);
  EXPECT_TRUE(PeImageType(image.data(), size, size));
  // A DLL (IMAGE_FILE_DLL in the file header's characteristics).
  image[signature + 4 + 19] ^= 0x20;
  EXPECT_FALSE(PeImageType(image.data(), size, size)) << "input: a DLL";
  image[signature + 4 + 19] ^= 0x20;
  // Sections aligned more finely than the file, which the loader refuses.
  put32(&image[optional + 32], 0x100);
  EXPECT_FALSE(PeImageType(image.data(), size, size));
  // Headers that are not those of a PE image.
  image[signature + 1] = 'X';
  EXPECT_FALSE(PeImageType(image.data(), size, size));
}

// Images whose section tables are made here: only one listing a section of
// the marker's exact name, within the bytes read, is this program.
TEST(PeImage, OnlyAnImageWithTheMarkerSectionIsThisProgram) {
  const std::size_t table = 0x40 + 4 + 20 + 0xE0;  // after a PE32 header
  const struct {
    std::vector<std::string> sections;
    std::size_t head;  // bytes read; 0 for the whole image
    bool signature;
    bool thisProgram;
  } cases[] = {
      {{".text", UPGRADE_MARKER_SECTION, ".rsrc"}, 0, true, true},
      {{UPGRADE_MARKER_SECTION}, 0, true, true},
      {{".text", ".rdata", ".rsrc"}, 0, true, false},
      {{".upgboo"}, 0, true, false},
      {{".UPGBOOT"}, 0, true, false},
      {{}, 0, true, false},
      {{".text", UPGRADE_MARKER_SECTION}, table + 79, true, false},
      {{".text", UPGRADE_MARKER_SECTION}, table + 80, true, true},
      {{UPGRADE_MARKER_SECTION}, 0, false, false},
  };
  for (const auto& c : cases) {
    std::vector<unsigned char> image(table + 40 * c.sections.size() + 64);
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x40;
    if (c.signature) std::memcpy(&image[0x40], "PE\0\0", 4);
    image[0x44 + 2] = static_cast<unsigned char>(c.sections.size());
    image[0x44 + 16] = 0xE0;
    for (std::size_t i = 0; i < c.sections.size(); ++i) {
      std::memcpy(&image[table + 40 * i], c.sections[i].data(),
                  c.sections[i].size());
    }
    std::string names;
    for (const auto& name : c.sections) names += name + " ";
    EXPECT_EQ(
        PeImageIsThisProgram(image.data(), c.head != 0 ? c.head : image.size()),
        c.thisProgram)
        << "sections [" << names << "], first " << c.head
        << " bytes, PE signature " << c.signature;
  }
}

}  // namespace
