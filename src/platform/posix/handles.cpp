// Handles on POSIX: closing them, and the standard-error stream.
#include "platform/posix/handles.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/win32_api.h"

BOOL CloseHandle(HANDLE handle) {
  auto* object = static_cast<PosixHandle*>(handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      (object->kind != PosixHandle::Kind::Process &&
       object->kind != PosixHandle::Kind::File)) {
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
  if (file == nullptr || object->kind != PosixHandle::Kind::Stream) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const ssize_t put = write(static_cast<StreamHandle*>(object)->fd, data, size);
  if (written != nullptr) *written = put > 0 ? static_cast<DWORD>(put) : 0;
  return put >= 0 ? TRUE : FALSE;
}

void ExitProcess(UINT exitCode) { _exit(static_cast<int>(exitCode)); }
