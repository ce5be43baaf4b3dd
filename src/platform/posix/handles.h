// What a HANDLE points to in the POSIX stand-ins.
#pragma once

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <set>
#include <string>

#include "platform/win32_api.h"

struct PosixHandle {
  enum class Kind { Process, Thread, Job, Search, Stream, File, Mutex };
  explicit PosixHandle(Kind k) : kind(k) {}
  virtual ~PosixHandle() = default;
  const Kind kind;
};

struct ProcessHandle : PosixHandle {
  explicit ProcessHandle(pid_t p) : PosixHandle(Kind::Process), pid(p) {}
  pid_t pid;
  bool ended = false;
  // Set from the status once it ended, or by TerminateProcess.
  DWORD exitCode = STILL_ACTIVE;
};

// The main thread of a started process. A suspended one waits, before its
// program is loaded, for a byte on `resumeFd`; closing that end unresumed
// ends it.
struct ThreadHandle : PosixHandle {
  explicit ThreadHandle(int fd) : PosixHandle(Kind::Thread), resumeFd(fd) {}
  ~ThreadHandle() override {
    if (resumeFd >= 0) close(resumeFd);
  }
  int resumeFd;
};

// The processes assigned to a job. Their descendants belong to it too.
struct JobHandle : PosixHandle {
  JobHandle() : PosixHandle(Kind::Job) {}
  std::set<pid_t> assigned;
};

// A directory search: "." and ".." first, then the listing, each name kept
// only when it matches the pattern.
struct SearchHandle : PosixHandle {
  SearchHandle() : PosixHandle(Kind::Search) {}
  ~SearchHandle() override {
    if (directory != nullptr) closedir(directory);
  }
  DIR* directory = nullptr;
  std::string pattern;
  int dotsGiven = 0;
};

struct StreamHandle : PosixHandle {
  explicit StreamHandle(int f) : PosixHandle(Kind::Stream), fd(f) {}
  int fd;
};

// A file or folder held open. POSIX has no share modes: a handle opened
// without FILE_SHARE_DELETE keeps only this process's own deletes of the item
// off (HeldWithoutDeleteSharing); other processes may rename, replace or
// delete it. Marked for deletion, it is deleted as it closes, by the name it
// has then, as Windows deletes a file whose last handle closes.
struct FileHandle : PosixHandle {
  FileHandle(int f, dev_t device, ino_t inode, bool sharesDelete);
  ~FileHandle() override;
  int fd;
  dev_t device;
  ino_t inode;
  bool sharesDelete;
  bool deleteOnClose = false;
};

// A named mutex: a file of drive C:'s folder, open close-on-exec, owned while
// this handle holds its lock.
struct MutexHandle : PosixHandle {
  explicit MutexHandle(int f) : PosixHandle(Kind::Mutex), fd(f) {}
  ~MutexHandle() override { close(fd); }
  int fd;
};

// Takes `mutex` within `milliseconds`, looking again every 10 ms.
DWORD WaitForMutex(MutexHandle& mutex, DWORD milliseconds);

// Whether a handle of this process holds the item `device`/`inode` open
// without delete sharing.
bool HeldWithoutDeleteSharing(dev_t device, ino_t inode);

// Deletes the item open as `fd` by the name it has now, while that name still
// leads to it.
void DeleteByCurrentName(int fd);

// The object `handle` names when it is one of the kind `Object` holds;
// otherwise null, with ERROR_INVALID_HANDLE set as the last error.
template <typename Object>
Object* HandleAs(HANDLE handle, PosixHandle::Kind kind) {
  auto* object = static_cast<PosixHandle*>(handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      object->kind != kind) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<Object*>(object);
}
