#include "launch/file_identity.h"

#include <cstring>
#include <vector>

#include "launch/program_location.h"

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kBlockSize = 65536;

// A handle closed when it goes out of scope.
class OpenEntry {
 public:
  OpenEntry(const std::string& path, DWORD access, DWORD flags)
      : handle_(CreateFileA(path.c_str(), access, kShareAll, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags,
                            nullptr)) {}
  OpenEntry(const OpenEntry&) = delete;
  OpenEntry& operator=(const OpenEntry&) = delete;
  ~OpenEntry() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  // What the system knows of the open entry; false when it is not open.
  bool Describe(BY_HANDLE_FILE_INFORMATION& info) const {
    return handle_ != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(handle_, &info) != FALSE;
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh,
                      info.nFileIndexLow};
}

bool SameContent(HANDLE first, HANDLE second) {
  std::vector<unsigned char> firstBlock(kBlockSize);
  std::vector<unsigned char> secondBlock(kBlockSize);
  for (;;) {
    DWORD firstFilled = 0;
    DWORD secondFilled = 0;
    if (!ReadBlock(first, firstBlock, firstFilled) ||
        !ReadBlock(second, secondBlock, secondFilled) ||
        firstFilled != secondFilled ||
        std::memcmp(firstBlock.data(), secondBlock.data(), firstFilled) != 0) {
      return false;
    }
    if (firstFilled < kBlockSize) return true;
  }
}

// Whether `path` or a folder above it, up to its root, has the identity
// `identity`.
bool AnyAncestorIs(std::string path, const FileIdentity& identity) {
  for (;;) {
    BY_HANDLE_FILE_INFORMATION info;
    if (OpenEntry(path, FILE_READ_ATTRIBUTES, 0).Describe(info) &&
        IdentityOf(info) == identity) {
      return true;
    }
    // The folder above, as the system cuts it; a root has none.
    const std::size_t before = path.size();
    if (path.empty() || !PathRemoveFileSpecA(&path[0])) return false;
    path.resize(std::strlen(path.c_str()));
    if (path.size() >= before) return false;
  }
}

// The path the system resolves the folder at `path` to, every link and
// junction followed, as a drive path ("C:\...") or a network one; empty
// when it cannot be opened or resolved.
std::string ResolvedPath(const std::string& path) {
  const OpenEntry entry(path, FILE_READ_ATTRIBUTES, 0);
  if (entry.get() == INVALID_HANDLE_VALUE) return std::string();
  std::string resolved(MAX_PATH, '\0');
  const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  DWORD length = GetFinalPathNameByHandleA(
      entry.get(), &resolved[0], static_cast<DWORD>(resolved.size()), flags);
  if (length >= resolved.size()) {
    // Too small: Windows asks for the size with the null, Wine 8 without it;
    // room for the larger of the two, and one more try.
    resolved.assign(length + 1, '\0');
    length = GetFinalPathNameByHandleA(
        entry.get(), &resolved[0], static_cast<DWORD>(resolved.size()), flags);
  }
  if (length == 0 || length >= resolved.size()) return std::string();
  resolved.resize(length);
  const std::string local = "\\\\?\\";
  const std::string network = "\\\\?\\UNC\\";
  if (resolved.compare(0, network.size(), network) == 0) {
    return "\\\\" + resolved.substr(network.size());
  }
  if (resolved.compare(0, local.size(), local) == 0) {
    return resolved.substr(local.size());
  }
  return resolved;
}

}  // namespace

bool ReadBlock(HANDLE file, std::vector<unsigned char>& block, DWORD& filled) {
  filled = 0;
  while (filled < block.size()) {
    DWORD got = 0;
    if (!ReadFile(file, block.data() + filled,
                  static_cast<DWORD>(block.size()) - filled, &got, nullptr)) {
      return false;
    }
    if (got == 0) break;
    filled += got;
  }
  return true;
}

std::optional<FileIdentity> EntryIdentity(const std::string& path) {
  const OpenEntry entry(path, FILE_READ_ATTRIBUTES,
                        FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry.Describe(info)) return std::nullopt;
  return IdentityOf(info);
}

bool DeleteIfStillTheFile(const std::string& path,
                          const FileIdentity& identity) {
  const OpenEntry entry(path,
                        DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                        FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry.Describe(info) || !(IdentityOf(info) == identity)) return false;
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic, sizeof basic);
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(entry.get(), FileDispositionInfo,
                                    &disposition, sizeof disposition) != FALSE;
}

bool IsThisProgram(const std::string& path) {
  // Telling the files apart needs no right to read them: only their content
  // does, and a program may be run by an account that may only execute it.
  const std::string own = OwnProgramPath();
  const OpenEntry ownEntry(own, FILE_READ_ATTRIBUTES, 0);
  const OpenEntry otherEntry(path, FILE_READ_ATTRIBUTES, 0);
  if (otherEntry.get() == INVALID_HANDLE_VALUE) {
    // What is not there cannot be this program; what cannot be told apart
    // from it might be.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  BY_HANDLE_FILE_INFORMATION ownInfo;
  BY_HANDLE_FILE_INFORMATION otherInfo;
  if (!ownEntry.Describe(ownInfo) || !otherEntry.Describe(otherInfo)) {
    return true;
  }
  if ((otherInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  if (IdentityOf(ownInfo) == IdentityOf(otherInfo)) return true;
  if (ownInfo.nFileSizeHigh != otherInfo.nFileSizeHigh ||
      ownInfo.nFileSizeLow != otherInfo.nFileSizeLow) {
    return false;
  }
  // Read through handles on the very files just told apart; a copy that
  // cannot be read counts as this program.
  const OpenEntry ownContent(own, GENERIC_READ, 0);
  const OpenEntry otherContent(path, GENERIC_READ, 0);
  BY_HANDLE_FILE_INFORMATION info;
  if (!ownContent.Describe(info) ||
      !(IdentityOf(info) == IdentityOf(ownInfo)) ||
      !otherContent.Describe(info) ||
      !(IdentityOf(info) == IdentityOf(otherInfo))) {
    return true;
  }
  return SameContent(ownContent.get(), otherContent.get());
}

bool FolderIsOrLiesWithin(const std::string& folder, const std::string& outer) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!OpenEntry(outer, FILE_READ_ATTRIBUTES, 0).Describe(info)) return true;
  const FileIdentity outerIdentity = IdentityOf(info);
  // The folder's own path as given, then the path the system resolves it
  // to: a link or a junction on the way leads into another tree, which only
  // the resolved path walks up.
  if (AnyAncestorIs(folder, outerIdentity)) return true;
  const std::string resolved = ResolvedPath(folder);
  return resolved.empty() || AnyAncestorIs(resolved, outerIdentity);
}
