// Named mutexes over file locks: the lock file lies in drive C:'s host
// folder, so that each system drive has its own names, and a lock goes with
// the process that holds it.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>

#include <string>

#include "platform/posix/drive_paths.h"
#include "platform/posix/handles.h"
#include "platform/posix/last_error.h"
#include "platform/win32_api.h"

HANDLE CreateMutexA(SECURITY_ATTRIBUTES*, BOOL initialOwner, LPCSTR name) {
  if (name == nullptr || initialOwner) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string file = name;
  for (char& c : file) {
    if (c == '\\' || c == '/') c = '-';
  }
  const std::string path = HostPath("C:\\") + "/.mutex-" + file;
  // Read access is enough for the lock, so another account can take it too.
  const int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetErrorFromErrno(errno);
    return nullptr;
  }
  return new MutexHandle(fd);
}

DWORD WaitForMutex(MutexHandle& mutex, DWORD milliseconds) {
  const int how = milliseconds == INFINITE ? LOCK_EX : LOCK_EX | LOCK_NB;
  if (flock(mutex.fd, how) == 0) return WAIT_OBJECT_0;
  if (errno == EWOULDBLOCK) return WAIT_TIMEOUT;
  SetErrorFromErrno(errno);
  return WAIT_FAILED;
}

BOOL ReleaseMutex(HANDLE handle) {
  auto* mutex = HandleAs<MutexHandle>(handle, PosixHandle::Kind::Mutex);
  if (mutex == nullptr) return FALSE;
  return flock(mutex->fd, LOCK_UN) == 0 ? TRUE : FALSE;
}
