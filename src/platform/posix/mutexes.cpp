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

namespace {

// The lock file of the mutex `name`, in drive C:'s host folder.
std::string MutexFile(const std::string& name) {
  std::string file = name;
  for (char& c : file) {
    if (c == '\\' || c == '/') c = '-';
  }
  return HostPath("C:\\") + "/.mutex-" + file;
}

// A handle on the mutex `name`, made first with `create`.
HANDLE OpenMutexFile(LPCSTR name, bool create) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Read access is enough for the lock, so another account can take it too.
  const int fd = open(MutexFile(name).c_str(),
                      O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
  if (fd < 0) {
    SetErrorFromErrno(errno);
    return nullptr;
  }
  return new MutexHandle(fd);
}

}  // namespace

HANDLE CreateMutexA(SECURITY_ATTRIBUTES*, BOOL initialOwner, LPCSTR name) {
  if (initialOwner) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return OpenMutexFile(name, true);
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) {
  return OpenMutexFile(name, false);
}

DWORD WaitForMutex(MutexHandle& mutex, DWORD milliseconds) {
  const int how = milliseconds == INFINITE ? LOCK_EX : LOCK_EX | LOCK_NB;
  const DWORD start = GetTickCount();
  while (flock(mutex.fd, how) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      SetErrorFromErrno(errno);
      return WAIT_FAILED;
    }
    if (errno == EWOULDBLOCK && GetTickCount() - start >= milliseconds) {
      return WAIT_TIMEOUT;
    }
    if (errno == EWOULDBLOCK) Sleep(10);
  }
  return WAIT_OBJECT_0;
}

BOOL ReleaseMutex(HANDLE handle) {
  auto* mutex = HandleAs<MutexHandle>(handle, PosixHandle::Kind::Mutex);
  if (mutex == nullptr) return FALSE;
  return flock(mutex->fd, LOCK_UN) == 0 ? TRUE : FALSE;
}
