#include "files/file_identity.h"

#include <cstring>
#include <vector>

#include "files/open_entry.h"
#include "files/path_parts.h"

namespace {

const DWORD kBlockSize = 65536;

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh,
                      info.nFileIndexLow};
}

// Whether the two files hold the same bytes; none when a read fails.
std::optional<bool> SameContent(HANDLE first, HANDLE second) {
  std::vector<unsigned char> firstBlock(kBlockSize);
  std::vector<unsigned char> secondBlock(kBlockSize);
  for (;;) {
    DWORD firstFilled = 0;
    DWORD secondFilled = 0;
    if (!ReadBlock(first, firstBlock, firstFilled) ||
        !ReadBlock(second, secondBlock, secondFilled)) {
      return std::nullopt;
    }
    if (firstFilled != secondFilled ||
        std::memcmp(firstBlock.data(), secondBlock.data(), firstFilled) != 0) {
      return false;
    }
    if (firstFilled < kBlockSize) return true;
  }
}

// Whether `path` or a folder above it, up to its root, has the identity
// `identity`.
bool AnyAncestorIs(std::string path, const FileIdentity& identity) {
  do {
    BY_HANDLE_FILE_INFORMATION info;
    if (DescribeOpenEntry(OpenEntry(path, FILE_READ_ATTRIBUTES, 0).get(),
                          info) &&
        IdentityOf(info) == identity) {
      return true;
    }
  } while (CutLastPart(path));
  return false;
}

// The path the system resolves the folder at `path` to, every link and
// junction followed, as a drive path ("C:\...") or a network one; empty
// when it cannot be opened or resolved.
std::string ResolvedPath(const std::string& path) {
  const OwnedHandle entry = OpenEntry(path, FILE_READ_ATTRIBUTES, 0);
  if (!entry.valid()) return std::string();
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

// Whether the file `otherInfo` describes, whose content `otherContent` reads
// (null when it cannot), is this program's own file at `ownPath`.
bool IsThisProgramFile(const BY_HANDLE_FILE_INFORMATION& otherInfo,
                       HANDLE otherContent, const std::string& ownPath) {
  BY_HANDLE_FILE_INFORMATION ownInfo;
  if (!DescribeOpenEntry(OpenEntry(ownPath, FILE_READ_ATTRIBUTES, 0).get(),
                         ownInfo)) {
    return true;
  }
  if (!IsNotFolder(otherInfo)) return false;
  if (ownInfo.nFileSizeHigh != otherInfo.nFileSizeHigh ||
      ownInfo.nFileSizeLow != otherInfo.nFileSizeLow) {
    return false;
  }
  // The content decides, read through a handle on the very file just told
  // apart: some file systems give every file the index 0, or one file the
  // index of another.
  const OwnedHandle ownContent = OpenEntry(ownPath, GENERIC_READ, 0);
  BY_HANDLE_FILE_INFORMATION info;
  if (otherContent != nullptr && DescribeOpenEntry(ownContent.get(), info) &&
      IdentityOf(info) == IdentityOf(ownInfo)) {
    const std::optional<bool> same =
        SameContent(ownContent.get(), otherContent);
    if (same) return *same;
  }
  // Content that cannot be read leaves the identity, where the system gives
  // a file an index of its own.
  return (ownInfo.nFileIndexHigh | ownInfo.nFileIndexLow) != 0 &&
         IdentityOf(ownInfo) == IdentityOf(otherInfo);
}

}  // namespace

std::optional<FileIdentity> EntryIdentity(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(
          OpenEntry(path, FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT)
              .get(),
          info)) {
    return std::nullopt;
  }
  return IdentityOf(info);
}

std::optional<FileIdentity> IdentityClearingReadOnly(const std::string& path) {
  const OwnedHandle entry =
      OpenEntry(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(entry.get(), info) || !IsSingleNamedFile(info))
    return std::nullopt;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic,
                               sizeof basic);
  }
  return IdentityOf(info);
}

bool DeleteIfStillTheFile(const std::string& path,
                          const FileIdentity& identity) {
  const OwnedHandle entry =
      OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(entry.get(), info) || !(IdentityOf(info) == identity))
    return false;
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic, sizeof basic);
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(entry.get(), FileDispositionInfo,
                                    &disposition, sizeof disposition) != FALSE;
}

bool IsThisProgram(const std::string& path, const std::string& ownPath) {
  // Telling the files apart needs no right to read them: only their content
  // does, and a program may be run by an account that may only execute it.
  const OwnedHandle otherEntry = OpenEntry(path, FILE_READ_ATTRIBUTES, 0);
  if (!otherEntry.valid()) {
    // What is not there cannot be this program; what cannot be told apart
    // from it might be.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  BY_HANDLE_FILE_INFORMATION otherInfo;
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(otherEntry.get(), otherInfo)) return true;
  // Its content, read through a handle on the very file just described.
  const OwnedHandle content = OpenEntry(path, GENERIC_READ, 0);
  const bool same = DescribeOpenEntry(content.get(), info) &&
                    IdentityOf(info) == IdentityOf(otherInfo);
  return IsThisProgramFile(otherInfo, same ? content.get() : nullptr, ownPath);
}

bool IsThisProgram(HANDLE file, const std::string& ownPath) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(file, info)) return true;
  return IsThisProgramFile(info, file, ownPath);
}

bool FolderIsOrLiesWithin(const std::string& folder, const std::string& outer) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(OpenEntry(outer, FILE_READ_ATTRIBUTES, 0).get(), info))
    return true;
  const FileIdentity outerIdentity = IdentityOf(info);
  // The folder's own path as given, then the path the system resolves it
  // to: a link or a junction on the way leads into another tree, which only
  // the resolved path walks up.
  if (AnyAncestorIs(folder, outerIdentity)) return true;
  const std::string resolved = ResolvedPath(folder);
  if (!resolved.empty()) return AnyAncestorIs(resolved, outerIdentity);
  // Not resolved (some drivers cannot say): a folder on another volume
  // cannot lie inside.
  return !DescribeOpenEntry(OpenEntry(folder, FILE_READ_ATTRIBUTES, 0).get(),
                            info) ||
         info.dwVolumeSerialNumber == outerIdentity.volume;
}
