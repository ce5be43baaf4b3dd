#include "launch/pe_image.h"

#include <algorithm>
#include <cstring>

namespace {

// Places fixed by the PE format, in bytes.
const std::size_t kPeOffsetField = 0x3C;   // in the DOS header
const std::size_t kSignatureSize = 4;      // "PE\0\0"
const std::size_t kFileHeaderSize = 20;    // after the signature
const std::size_t kSectionCountField = 2;  // in the file header
const std::size_t kOptionalSizeField = 16;
const std::size_t kSizeOfHeadersField = 60;  // in the optional header
const std::size_t kSectionHeaderSize = 40;
const std::size_t kRawSizeField = 16;  // in a section header
const std::size_t kRawOffsetField = 20;

std::uint64_t Read16(const unsigned char* p) {
  return static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[1])
                                                << 8;
}

std::uint64_t Read32(const unsigned char* p) {
  return Read16(p) | Read16(p + 2) << 16;
}

}  // namespace

bool PeImageIsWhole(const unsigned char* head, std::size_t headSize,
                    std::uint64_t fileSize) {
  const std::uint64_t known = std::min<std::uint64_t>(headSize, fileSize);
  if (known < kPeOffsetField + 4 || head[0] != 'M' || head[1] != 'Z') {
    return false;
  }
  const std::uint64_t signature = Read32(head + kPeOffsetField);
  const std::uint64_t optional = signature + kSignatureSize + kFileHeaderSize;
  if (optional > known ||
      std::memcmp(head + signature, "PE\0\0", kSignatureSize) != 0) {
    return false;
  }
  const unsigned char* fileHeader = head + signature + kSignatureSize;
  const std::uint64_t sections = Read16(fileHeader + kSectionCountField);
  const std::uint64_t optionalSize = Read16(fileHeader + kOptionalSizeField);
  const std::uint64_t table = optional + optionalSize;
  if (optionalSize < kSizeOfHeadersField + 4 ||
      table + sections * kSectionHeaderSize > known ||
      Read32(head + optional + kSizeOfHeadersField) > fileSize) {
    return false;
  }
  for (std::uint64_t i = 0; i < sections; ++i) {
    const unsigned char* section = head + table + i * kSectionHeaderSize;
    const std::uint64_t size = Read32(section + kRawSizeField);
    if (size != 0 && Read32(section + kRawOffsetField) + size > fileSize) {
      return false;
    }
  }
  return true;
}
