// Whether a Windows program file is whole. A download cut short keeps its
// headers, so the system's own type check still calls it a program; it fails
// only when it is started. A pure function of the file's first bytes and its
// size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/win32_api.h"

// The system's kind of program for the image whose first `headSize` bytes
// are `head`, as its PE headers tell: SCS_32BIT_BINARY for an x86 program,
// SCS_64BIT_BINARY for an x64, ARM64 or Itanium one; none for a DLL, another
// processor's program, or no PE image at all.
std::optional<DWORD> PeBinaryType(const unsigned char* head,
                                  std::size_t headSize);

// Takes the first `headSize` bytes of a file of `fileSize` bytes, a file that
// begins with "MZ". True when its PE headers, its section table among them,
// lie within those bytes and the file, the raw data of every section and the
// certificate table of a signed file lie within the file, and its alignments
// are ones the loader maps. False for a file cut short (a signed one keeps a
// self-extracting payload before its certificates), and for one whose
// headers are not those of a PE image the system loads.
bool PeImageIsWhole(const unsigned char* head, std::size_t headSize,
                    std::uint64_t fileSize);
