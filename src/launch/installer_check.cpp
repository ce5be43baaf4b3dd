#include "launch/installer_check.h"

#include <vector>

#include "files/file_identity.h"
#include "files/open_entry.h"
#include "launch/pe_image.h"

namespace {

// Enough for the headers and section table of any image a linker writes.
const DWORD kHeadSize = 65536;

bool ProcessorIs64Bit() {
  SYSTEM_INFO system = {};
  GetNativeSystemInfo(&system);
  switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
    case PROCESSOR_ARCHITECTURE_ARM64:
    case PROCESSOR_ARCHITECTURE_IA64:
      return true;
    default:
      return false;
  }
}

// Reads the first kHeadSize bytes of `file` from its start into `head`,
// `filled` of them; false when they cannot be read.
bool ReadHead(HANDLE file, std::vector<unsigned char>& head, DWORD& filled) {
  head.resize(kHeadSize);
  const LARGE_INTEGER start = {};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
         ReadBlock(file, head, filled);
}

// Reads the first bytes of `file`, held, from its start, and judges it: a
// build of this program when it carries its marker (another build, or a copy
// changed, would find this run's product mutex taken and install nothing);
// otherwise startable when it is a program this machine runs, whole as far as
// its headers tell.
InstallerCheck JudgeHead(HANDLE file, std::uint64_t fileSize) {
  std::vector<unsigned char> head;
  DWORD filled = 0;
  if (!ReadHead(file, head, filled)) return InstallerCheck::CannotStart;
  DWORD type = 0;
  if (filled >= 2 && head[0] == 'M' && head[1] == 'Z') {
    if (PeImageIsThisProgram(head.data(), filled)) {
      return InstallerCheck::ThisProgram;
    }
    const std::optional<DWORD> image =
        PeImageType(head.data(), filled, fileSize);
    if (!image) return InstallerCheck::CannotStart;
    type = *image;
  } else if (!GetHostBinaryType(file, &type)) {
    return InstallerCheck::CannotStart;
  }
  const bool runs = type == SCS_32BIT_BINARY ||
                    (type == SCS_64BIT_BINARY && ProcessorIs64Bit());
  return runs ? InstallerCheck::Startable : InstallerCheck::CannotStart;
}

}  // namespace

std::string SearchProgram(const std::string& name) {
  char found[MAX_PATH] = {};
  const DWORD length =
      SearchPathA(nullptr, name.c_str(), nullptr, MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return found;
}

InstallerCheck CheckInstaller(const std::string& path,
                              const std::string& ownPath, FileHold& hold) {
  if (path.empty()) return InstallerCheck::CannotStart;
  // Its folders first, so that the file checked cannot be carried off with
  // a folder renamed and another put in its place.
  hold.HoldFoldersAbove(path);
  const HANDLE file = hold.Hold(path);
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(file, info) || !IsNotFolder(info)) {
    return InstallerCheck::CannotStart;
  }
  // Judged through the handle held: a name may lead elsewhere by now.
  if (IsThisProgram(file, ownPath)) return InstallerCheck::ThisProgram;
  const std::uint64_t size =
      static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  return JudgeHead(file, size);
}

bool CarriesThisProgramsMarker(const std::string& path) {
  const OwnedHandle file = OpenEntry(path, GENERIC_READ, 0);
  std::vector<unsigned char> head;
  DWORD filled = 0;
  return file.valid() && ReadHead(file.get(), head, filled) &&
         PeImageIsThisProgram(head.data(), filled);
}
