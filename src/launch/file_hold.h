// Files held open so that no other process can delete, rename or replace them
// until they are released: the new installer and its response file, from the
// check that they can start until the installer runs.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32_api.h"

// Holds up to kCapacity files, each open for reading and sharing reading only,
// which lets the system start a held program but keeps every other process
// from writing, renaming or deleting it. Everything held is released by
// Release() or when the hold ends. POSIX has no share modes: there the files
// are open but not protected.
class FileHold {
 public:
  static constexpr std::size_t kCapacity = 2;

  FileHold() = default;
  FileHold(const FileHold&) = delete;
  FileHold& operator=(const FileHold&) = delete;
  ~FileHold() { Release(); }

  // Opens the file at `path` and holds it. Returns its handle, valid until
  // the release, or INVALID_HANDLE_VALUE when it cannot be opened (a folder
  // cannot) or kCapacity files are held already.
  HANDLE Hold(const std::string& path);

  // Closes every held file. Allocates nothing, so that it works when memory
  // has run out.
  void Release();

 private:
  HANDLE files_[kCapacity] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
};
