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

bool RunsOnThisMachine(const std::string& path) {
  DWORD type = 0;
  if (!GetBinaryTypeA(path.c_str(), &type)) return false;
  return type == SCS_32BIT_BINARY ||
         (type == SCS_64BIT_BINARY && ProcessorIs64Bit());
}

// What the first bytes of a file tell of it.
enum class Head { Whole, CutShort, ThisProgram };

// Reads the first bytes of `file`, held and not yet read: an image that
// begins with "MZ" is a build of this program when it carries its marker, and
// whole when it lies whole within the file.
Head ReadHead(HANDLE file, std::uint64_t fileSize) {
  std::vector<unsigned char> head(kHeadSize);
  DWORD filled = 0;
  if (!ReadBlock(file, head, filled)) return Head::CutShort;
  if (filled < 2 || head[0] != 'M' || head[1] != 'Z') return Head::Whole;
  if (PeImageIsThisProgram(head.data(), filled)) return Head::ThisProgram;
  return PeImageIsWhole(head.data(), filled, fileSize) ? Head::Whole
                                                       : Head::CutShort;
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
  if (IsThisProgram(path, ownPath)) return InstallerCheck::ThisProgram;
  const std::uint64_t size =
      static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  // Another build of it, or a copy changed, is this program too: started, it
  // would find this run's product mutex taken and install nothing.
  const Head head = ReadHead(file, size);
  if (head == Head::ThisProgram) return InstallerCheck::ThisProgram;
  if (!RunsOnThisMachine(path) || head != Head::Whole) {
    return InstallerCheck::CannotStart;
  }
  return InstallerCheck::Startable;
}
