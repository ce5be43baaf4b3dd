// One owner for a system handle: closed when the owner goes, so that no path
// through the code leaves a handle open.
#pragma once

#include <utility>

#include "platform/win32_api.h"

// Holds a handle from CreateFileA, CreateJobObjectA, CreateProcessA and the
// like, and closes it when destroyed or reset. Both "no handle" values the
// system uses, null and INVALID_HANDLE_VALUE, are held as nothing. Moves, but
// never copies. Closing allocates nothing, so it works when memory ran out.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  OwnedHandle(OwnedHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other)
      Reset(std::exchange(other.handle_, INVALID_HANDLE_VALUE));
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { Reset(); }

  // Closes the handle held, if any, and holds `handle` instead.
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }

  bool valid() const {
    return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr;
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};
