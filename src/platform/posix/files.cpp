// File, folder and search calls over the POSIX file system, with the Windows
// results the program relies on: attribute bits from the file mode, a delete
// that refuses read-only files even for root, a folder removal that refuses
// non-empty and read-only folders and removes a folder link as a link, and
// both refusing an item this process holds open without delete sharing.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/posix/drive_paths.h"
#include "platform/posix/handles.h"
#include "platform/posix/last_error.h"
#include "platform/posix/wildcard.h"
#include "platform/win32_api.h"

namespace {

bool HasNoWriteBit(mode_t mode) { return (mode & 0222) == 0; }

// The attributes of `name` in the folder open as `folder` (AT_FDCWD for the
// current folder), the entry itself and not what a link points to. Every
// entry has the folder or the archive bit, so 0 means there is none, with
// errno saying why.
DWORD AttributesAt(int folder, const char* name) {
  struct stat entry;
  if (fstatat(folder, name, &entry, AT_SYMLINK_NOFOLLOW) != 0) return 0;
  if (S_ISLNK(entry.st_mode)) {
    struct stat target;
    const bool toFolder =
        fstatat(folder, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
    return FILE_ATTRIBUTE_REPARSE_POINT |
           (toFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
  }
  DWORD attributes = S_ISDIR(entry.st_mode) ? FILE_ATTRIBUTE_DIRECTORY
                                            : FILE_ATTRIBUTE_ARCHIVE;
  if (HasNoWriteBit(entry.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

DWORD AttributesOf(const std::string& hostPath) {
  return AttributesAt(AT_FDCWD, hostPath.c_str());
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Fills `data` with the next name of the search that matches its pattern.
bool NextMatch(SearchHandle& search, WIN32_FIND_DATAA* data) {
  for (;;) {
    std::string name;
    if (search.dotsGiven < 2) {
      name = search.dotsGiven++ == 0 ? "." : "..";
    } else {
      const dirent* entry = readdir(search.directory);
      if (entry == nullptr) return false;
      name = entry->d_name;
      if (name == "." || name == "..") continue;
    }
    if (name.size() >= MAX_PATH || !MatchesWildcard(search.pattern, name)) {
      continue;
    }
    std::memset(data, 0, sizeof *data);
    // Relative to the open folder, which spares resolving the whole path.
    data->dwFileAttributes =
        AttributesAt(dirfd(search.directory), name.c_str());
    std::memcpy(data->cFileName, name.c_str(), name.size() + 1);
    return true;
  }
}

std::size_t LastSeparator(const std::string& path) {
  return path.find_last_of("\\/");
}

}  // namespace

DWORD GetFileAttributesA(LPCSTR path) {
  const DWORD attributes = AttributesOf(HostPath(path));
  if (attributes == 0) {
    SetErrorFromErrno(errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributes;
}

// Opens an item, a link as a link when asked to (then a link at the end of a
// path to append to is refused); for reading only with GENERIC_READ, without
// waiting for a FIFO's writer; for appending only with FILE_APPEND_DATA. Only
// OPEN_ALWAYS creates a file that is not there. As on Windows, a folder opens
// only with backup semantics. Of the share mode only the delete sharing
// counts, and only for this process's own deletes; the other flags have no
// POSIX counterpart and change nothing.
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode,
                   SECURITY_ATTRIBUTES*, DWORD creation, DWORD flags, HANDLE) {
  const int noFollow =
      (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0 ? O_NOFOLLOW : 0;
  int mode = O_PATH;
  if ((access & GENERIC_READ) != 0) {
    mode = O_RDONLY | O_NONBLOCK;
  } else if ((access & FILE_APPEND_DATA) != 0) {
    mode = O_WRONLY | O_APPEND | O_NONBLOCK;
  }
  if (creation == OPEN_ALWAYS) mode |= O_CREAT;
  const int fd =
      open(HostPath(path).c_str(), mode | O_CLOEXEC | noFollow, 0644);
  struct stat entry;
  if (fd < 0 || fstat(fd, &entry) != 0) {
    SetErrorFromErrno(errno);
    if (fd >= 0) close(fd);
    return INVALID_HANDLE_VALUE;
  }
  if ((flags & FILE_FLAG_BACKUP_SEMANTICS) == 0 && S_ISDIR(entry.st_mode)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return new FileHandle(fd, entry.st_dev, entry.st_ino,
                        (shareMode & FILE_SHARE_DELETE) != 0);
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
  const std::string windowsPattern = pattern;
  const std::size_t separator = LastSeparator(windowsPattern);
  std::string folder =
      separator == std::string::npos
          ? (windowsPattern.size() >= 2 && windowsPattern[1] == ':'
                 ? windowsPattern.substr(0, 2)
                 : std::string("."))
          : windowsPattern.substr(0, separator + 1);
  std::string namePattern = separator == std::string::npos
                                ? windowsPattern.substr(folder == "." ? 0 : 2)
                                : windowsPattern.substr(separator + 1);
  auto* search = new SearchHandle;
  search->pattern = namePattern;
  search->directory = opendir(HostPath(folder).c_str());
  if (search->directory == nullptr) {
    const int error = errno;
    delete search;
    SetErrorFromErrno(error);
    if (error == ENOENT) SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (!NextMatch(*search, data)) {
    delete search;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return search;
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
  auto* object = static_cast<PosixHandle*>(handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      object->kind != PosixHandle::Kind::Search) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  if (!NextMatch(*static_cast<SearchHandle*>(object), data)) {
    return Fail(ERROR_NO_MORE_FILES);
  }
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  auto* object = static_cast<PosixHandle*>(handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      object->kind != PosixHandle::Kind::Search) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  delete object;
  return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
  const std::string host = HostPath(path);
  struct stat entry;
  if (lstat(host.c_str(), &entry) != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  if (S_ISDIR(entry.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (HeldWithoutDeleteSharing(entry.st_dev, entry.st_ino)) {
    return Fail(ERROR_SHARING_VIOLATION);
  }
  if (!S_ISLNK(entry.st_mode) && HasNoWriteBit(entry.st_mode)) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  if (unlink(host.c_str()) != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
  const std::string host = HostPath(path);
  const DWORD attributes = AttributesOf(host);
  struct stat entry;
  const bool there = lstat(host.c_str(), &entry) == 0;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return Fail(there ? ERROR_DIRECTORY : ERROR_FILE_NOT_FOUND);
  }
  if (there && HeldWithoutDeleteSharing(entry.st_dev, entry.st_ino)) {
    return Fail(ERROR_SHARING_VIOLATION);
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  const int result = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                         ? unlink(host.c_str())
                         : rmdir(host.c_str());
  if (result != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES*) {
  if (mkdir(HostPath(path).c_str(), 0755) != 0) {
    if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
    SetErrorFromErrno(errno == ENOENT ? ENOTDIR : errno);
    return FALSE;
  }
  return TRUE;
}

BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists) {
  // Without blocking, so that a FIFO cannot hold the copy up; only a regular
  // file is copied.
  const int source =
      open(HostPath(existing).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (source < 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  struct stat sourceInfo;
  if (fstat(source, &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
    close(source);
    return Fail(ERROR_ACCESS_DENIED);
  }
  const std::string targetHost = HostPath(target);
  struct stat targetInfo;
  if (!failIfExists && lstat(targetHost.c_str(), &targetInfo) == 0 &&
      HasNoWriteBit(targetInfo.st_mode)) {
    close(source);
    return Fail(ERROR_ACCESS_DENIED);
  }
  // On the heap: the program may run with a small stack.
  const std::size_t blockSize = 65536;
  std::unique_ptr<char[]> block(new (std::nothrow) char[blockSize]);
  if (!block) {
    close(source);
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  const int flags =
      O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
  const int copy = open(targetHost.c_str(), flags, 0600);
  if (copy < 0) {
    SetErrorFromErrno(errno);
    close(source);
    return FALSE;
  }
  bool ok = true;
  for (;;) {
    const ssize_t got = read(source, block.get(), blockSize);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(copy, block.get() + done, got - done);
      if (put <= 0) {
        ok = false;
        break;
      }
      done += put;
    }
    if (!ok) break;
  }
  // The copy carries the source's attributes over, read-only among them.
  ok = fchmod(copy, sourceInfo.st_mode & 07777) == 0 && ok;
  ok = close(copy) == 0 && ok;
  close(source);
  if (ok) return TRUE;
  // As Windows does, a copy that failed midway leaves no partial file.
  unlink(targetHost.c_str());
  return Fail(ERROR_ACCESS_DENIED);
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
  const std::string host = HostPath(path);
  struct stat entry;
  if (lstat(host.c_str(), &entry) != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  if (S_ISLNK(entry.st_mode)) return TRUE;  // a link has no mode of its own
  mode_t mode = entry.st_mode & 07777;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    mode &= ~static_cast<mode_t>(0222);
  } else if (HasNoWriteBit(mode)) {
    mode |= S_IWUSR;
  }
  if (chmod(host.c_str(), mode) != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}
