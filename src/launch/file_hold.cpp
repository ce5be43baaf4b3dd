#include "launch/file_hold.h"

HANDLE FileHold::Hold(const std::string& path) {
  for (HANDLE& slot : files_) {
    if (slot != INVALID_HANDLE_VALUE) continue;
    slot = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    return slot;
  }
  return INVALID_HANDLE_VALUE;
}

void FileHold::Release() {
  for (HANDLE& slot : files_) {
    if (slot != INVALID_HANDLE_VALUE) CloseHandle(slot);
    slot = INVALID_HANDLE_VALUE;
  }
}
