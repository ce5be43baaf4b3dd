// What kind of Windows program a file is, whether it is whole, and whether it
// is a build of this program. A download cut short keeps its headers, so the
// system's own type check still calls it a program; it fails only when it is
// started. Pure functions of the file's first bytes and its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/win32_api.h"

// Takes the first `headSize` bytes of a file of `fileSize` bytes, a file that
// begins with "MZ", and returns the system's kind of program for it:
// SCS_32BIT_BINARY for an x86 program, SCS_64BIT_BINARY for an x64, ARM64 or
// Itanium one. Only when its PE headers, its section table among them, lie
// within those bytes and the file, the raw data of every section and the
// certificate table of a signed file lie within the file, and its alignments
// are ones the loader maps. None for a file cut short (a signed one keeps a
// self-extracting payload before its certificates), for a DLL or another
// processor's program, and for one whose headers are not those of a PE image
// the system loads.
std::optional<DWORD> PeImageType(const unsigned char* head,
                                 std::size_t headSize, std::uint64_t fileSize);

// The name of the section every build of this program carries (main.cpp puts
// it there), whatever its options and signature: a name of at most 8
// characters, so that it stands in the section table itself.
#define UPGRADE_MARKER_SECTION ".upgboot"

// Takes the first `headSize` bytes of a file that begins with "MZ". True when
// its PE headers and section table lie within those bytes and a section is
// named UPGRADE_MARKER_SECTION: the file is a build of this program, however
// it was signed, built or changed after its headers.
bool PeImageIsThisProgram(const unsigned char* head, std::size_t headSize);
