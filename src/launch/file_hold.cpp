#include "launch/file_hold.h"

#include <cstring>

namespace {

// Cuts the last part of `path` as the system does; false when there is none
// to cut, as at a root.
bool CutLastPart(std::string& path) {
  const std::size_t before = path.size();
  if (path.empty() || !PathRemoveFileSpecA(&path[0])) return false;
  path.resize(std::strlen(path.c_str()));
  return path.size() < before;
}

}  // namespace

FileHold::FileHold() {
  for (HANDLE& slot : files_) slot = INVALID_HANDLE_VALUE;
  for (HANDLE& slot : folders_) slot = INVALID_HANDLE_VALUE;
}

HANDLE FileHold::Hold(const std::string& path) {
  for (HANDLE& slot : files_) {
    if (slot != INVALID_HANDLE_VALUE) continue;
    slot = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    return slot;
  }
  return INVALID_HANDLE_VALUE;
}

std::size_t FileHold::HoldFoldersAbove(const std::string& path) {
  std::size_t held = 0;
  std::string folder = path;
  if (!CutLastPart(folder)) return 0;
  // A folder the system cannot cut further is a root, and is not held.
  for (std::string above = folder;
       folderCount_ < kFolderCapacity && CutLastPart(above); folder = above) {
    const HANDLE handle = CreateFileA(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) continue;
    folders_[folderCount_++] = handle;
    ++held;
  }
  return held;
}

void FileHold::Release() {
  for (HANDLE& slot : files_) {
    if (slot != INVALID_HANDLE_VALUE) CloseHandle(slot);
    slot = INVALID_HANDLE_VALUE;
  }
  for (std::size_t i = 0; i < folderCount_; ++i) CloseHandle(folders_[i]);
  folderCount_ = 0;
}
