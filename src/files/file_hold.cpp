#include "files/file_hold.h"

#include "files/path_parts.h"

HANDLE FileHold::Hold(const std::string& path) {
  for (OwnedHandle& slot : files_) {
    if (slot.valid()) continue;
    slot.Reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr));
    return slot.get();
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
    OwnedHandle handle(CreateFileA(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) continue;
    folders_[folderCount_++] = std::move(handle);
    ++held;
  }
  return held;
}

void FileHold::Release() {
  for (OwnedHandle& slot : files_) slot.Reset();
  for (std::size_t i = 0; i < folderCount_; ++i) folders_[i].Reset();
  folderCount_ = 0;
}
