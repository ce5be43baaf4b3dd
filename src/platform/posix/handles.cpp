// Handles on POSIX: closing them, the files held open, and the
// standard-error stream.
#include "platform/posix/handles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/win32_api.h"

namespace {

// The files and folders this process holds open, a few at a time.
std::vector<const FileHandle*> openFiles;

}  // namespace

FileHandle::FileHandle(int f, dev_t d, ino_t i, bool shares)
    : PosixHandle(Kind::File),
      fd(f),
      device(d),
      inode(i),
      sharesDelete(shares) {
  openFiles.push_back(this);
}

FileHandle::~FileHandle() {
  if (deleteOnClose) DeleteByCurrentName(fd);
  close(fd);
  openFiles.erase(std::find(openFiles.begin(), openFiles.end(), this));
}

bool HeldWithoutDeleteSharing(dev_t device, ino_t inode) {
  return std::any_of(openFiles.begin(), openFiles.end(), [&](const auto* f) {
    return !f->sharesDelete && f->device == device && f->inode == inode;
  });
}

BOOL CloseHandle(HANDLE handle) {
  auto* object = static_cast<PosixHandle*>(handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      object->kind == PosixHandle::Kind::Search ||
      object->kind == PosixHandle::Kind::Stream) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete object;
  return TRUE;
}

HANDLE GetStdHandle(DWORD which) {
  static StreamHandle standardError(2);
  if (which != STD_ERROR_HANDLE || fcntl(2, F_GETFD) == -1) return nullptr;
  return &standardError;
}

BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, void*) {
  auto* object = static_cast<PosixHandle*>(file);
  if (file == nullptr || file == INVALID_HANDLE_VALUE ||
      (object->kind != PosixHandle::Kind::Stream &&
       object->kind != PosixHandle::Kind::File)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const int fd = object->kind == PosixHandle::Kind::Stream
                     ? static_cast<StreamHandle*>(object)->fd
                     : static_cast<FileHandle*>(object)->fd;
  const ssize_t put = write(fd, data, size);
  if (written != nullptr) *written = put > 0 ? static_cast<DWORD>(put) : 0;
  return put >= 0 ? TRUE : FALSE;
}

void ExitProcess(UINT exitCode) { _exit(static_cast<int>(exitCode)); }
