#include "launch/pe_image.h"

#include <algorithm>
#include <cstring>

static_assert(sizeof UPGRADE_MARKER_SECTION - 1 <= 8,
              "the marker's section name must fit its 8 bytes");

namespace {

// Places fixed by the PE format, in bytes.
const std::size_t kPeOffsetField = 0x3C;  // in the DOS header
const std::size_t kSignatureSize = 4;     // "PE\0\0"
const std::size_t kFileHeaderSize = 20;   // after the signature
const std::size_t kMachineField = 0;      // in the file header
const std::size_t kSectionCountField = 2;
const std::size_t kCharacteristicsField = 18;
const std::uint64_t kDllImage = 0x2000;
const std::size_t kOptionalSizeField = 16;
const std::size_t kMagicField = 0;  // in the optional header
const std::size_t kSectionAlignmentField = 32;
const std::size_t kFileAlignmentField = 36;
const std::size_t kSizeOfHeadersField = 60;
// Where the count of data directories and the directories themselves begin,
// for a 32-bit (PE32) and a 64-bit (PE32+) optional header.
const std::uint64_t kPe32Magic = 0x10B;
const std::size_t kPe32DirectoryCountField = 92;
const std::size_t kPe64DirectoryCountField = 108;
const std::size_t kDirectorySize = 8;
// The certificate table, whose address is a file offset: a signed
// self-extracting installer keeps its payload before it, past the sections.
const std::uint64_t kCertificateDirectory = 4;
const std::size_t kSectionHeaderSize = 40;
const std::size_t kSectionNameSize = 8;  // first in a section header
const std::size_t kRawSizeField = 16;    // in a section header
const std::size_t kRawOffsetField = 20;

std::uint64_t Read16(const unsigned char* p) {
  return static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[1])
                                                << 8;
}

std::uint64_t Read32(const unsigned char* p) {
  return Read16(p) | Read16(p + 2) << 16;
}

// Whether the loader would map sections of the alignments the optional
// header at `optional` gives: a file alignment that is a power of two and
// no larger than the section alignment.
bool AlignmentsLoad(const unsigned char* optional) {
  const std::uint64_t section = Read32(optional + kSectionAlignmentField);
  const std::uint64_t file = Read32(optional + kFileAlignmentField);
  return file != 0 && (file & (file - 1)) == 0 && section >= file;
}

// Whether the certificate table, when the optional header at `optional` of
// `optionalSize` bytes has one, lies within the file.
bool CertificatesWithin(const unsigned char* optional,
                        std::uint64_t optionalSize, std::uint64_t fileSize) {
  const std::size_t countField = Read16(optional + kMagicField) == kPe32Magic
                                     ? kPe32DirectoryCountField
                                     : kPe64DirectoryCountField;
  const std::uint64_t entry =
      countField + 4 + kCertificateDirectory * kDirectorySize;
  if (optionalSize < entry + kDirectorySize ||
      Read32(optional + countField) <= kCertificateDirectory) {
    return true;
  }
  const std::uint64_t size = Read32(optional + entry + 4);
  return size == 0 || Read32(optional + entry) + size <= fileSize;
}

// Where the section table of the image whose first `known` bytes are at
// `head` begins, and how many sections it lists; false when its headers are
// not those of a PE image or lie past those bytes.
bool FindSectionTable(const unsigned char* head, std::uint64_t known,
                      std::uint64_t& table, std::uint64_t& sections) {
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
  sections = Read16(fileHeader + kSectionCountField);
  table = optional + Read16(fileHeader + kOptionalSizeField);
  return table + sections * kSectionHeaderSize <= known;
}

}  // namespace

bool PeImageIsThisProgram(const unsigned char* head, std::size_t headSize) {
  std::uint64_t table = 0;
  std::uint64_t sections = 0;
  if (!FindSectionTable(head, headSize, table, sections)) return false;
  // A section name fills its 8 bytes, padded with zeros.
  char marker[kSectionNameSize] = {};
  std::memcpy(marker, UPGRADE_MARKER_SECTION,
              sizeof UPGRADE_MARKER_SECTION - 1);
  for (std::uint64_t i = 0; i < sections; ++i) {
    if (std::memcmp(head + table + i * kSectionHeaderSize, marker,
                    kSectionNameSize) == 0) {
      return true;
    }
  }
  return false;
}

std::optional<DWORD> PeImageType(const unsigned char* head,
                                 std::size_t headSize, std::uint64_t fileSize) {
  std::uint64_t table = 0;
  std::uint64_t sections = 0;
  if (!FindSectionTable(head, std::min<std::uint64_t>(headSize, fileSize),
                        table, sections)) {
    return std::nullopt;
  }
  const std::uint64_t signature = Read32(head + kPeOffsetField);
  const unsigned char* fileHeader = head + signature + kSignatureSize;
  const std::uint64_t optional = signature + kSignatureSize + kFileHeaderSize;
  const std::uint64_t optionalSize = table - optional;
  if (optionalSize < kSizeOfHeadersField + 4 ||
      Read32(head + optional + kSizeOfHeadersField) > fileSize ||
      !AlignmentsLoad(head + optional) ||
      !CertificatesWithin(head + optional, optionalSize, fileSize)) {
    return std::nullopt;
  }
  for (std::uint64_t i = 0; i < sections; ++i) {
    const unsigned char* section = head + table + i * kSectionHeaderSize;
    const std::uint64_t size = Read32(section + kRawSizeField);
    if (size != 0 && Read32(section + kRawOffsetField) + size > fileSize) {
      return std::nullopt;
    }
  }
  const std::uint64_t machine = Read16(fileHeader + kMachineField);
  if ((Read16(fileHeader + kCharacteristicsField) & kDllImage) != 0) {
    return std::nullopt;
  }
  if (machine == 0x14C) return SCS_32BIT_BINARY;  // x86
  // x64, ARM64, Itanium
  if (machine == 0x8664 || machine == 0xAA64 || machine == 0x200) {
    return SCS_64BIT_BINARY;
  }
  return std::nullopt;
}
