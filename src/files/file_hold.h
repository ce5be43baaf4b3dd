// Files and folders held open so that no other process can delete, rename or
// replace them until they are released: the new installer, its response file
// and the folders they lie in, from the check that the installer can start
// until it runs.
#pragma once

#include <cstddef>
#include <string>

#include "platform/owned_handle.h"
#include "platform/win32_api.h"

// Holds up to kCapacity files, each open for reading and sharing reading
// only, which lets the system start a held program but keeps every other
// process from writing, renaming or deleting it; and up to kFolderCapacity
// folders, each open sharing reading and writing but not deletion, which
// keeps them from being renamed or deleted (and so swapped for another) while
// files inside them come and go. Everything held is released by Release() or
// when the hold ends. POSIX has no share modes: there the items are open but
// not protected.
class FileHold {
 public:
  static constexpr std::size_t kCapacity = 2;
  static constexpr std::size_t kFolderCapacity = 32;

  FileHold() = default;
  FileHold(const FileHold&) = delete;
  FileHold& operator=(const FileHold&) = delete;
  ~FileHold() { Release(); }

  // Opens the file at `path` and holds it. Returns its handle, valid until
  // the release, or INVALID_HANDLE_VALUE when it cannot be opened (a folder
  // cannot) or kCapacity files are held already.
  HANDLE Hold(const std::string& path);

  // Holds the folder the file at the full path `path` lies in and each folder
  // above it below its root (a drive's "C:\" or a share's "\\server\share"),
  // nearest first. A folder that cannot be opened is skipped; past
  // kFolderCapacity held folders the rest is not held. Returns how many it
  // holds.
  std::size_t HoldFoldersAbove(const std::string& path);

  // Closes everything held. Allocates nothing, so that it works when memory
  // has run out.
  void Release();

 private:
  OwnedHandle files_[kCapacity];
  OwnedHandle folders_[kFolderCapacity];
  std::size_t folderCount_ = 0;
};
