#include "files/open_entry.h"

OwnedHandle OpenEntry(const std::string& path, DWORD access, DWORD flags) {
  return OwnedHandle(CreateFileA(
      path.c_str(), access,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

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

bool DescribeOpenEntry(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
         GetFileInformationByHandle(handle, &info) != FALSE;
}

bool IsNotFolder(const BY_HANDLE_FILE_INFORMATION& info) {
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFileNotLink(const BY_HANDLE_FILE_INFORMATION& info) {
  return (info.dwFileAttributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool IsFolderNotLink(const BY_HANDLE_FILE_INFORMATION& info) {
  return (info.dwFileAttributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
         FILE_ATTRIBUTE_DIRECTORY;
}

bool IsSingleNamedFile(const BY_HANDLE_FILE_INFORMATION& info) {
  return IsFileNotLink(info) && info.nNumberOfLinks == 1;
}

bool IsPlainFile(const BY_HANDLE_FILE_INFORMATION& info) {
  return IsFileNotLink(info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
}
