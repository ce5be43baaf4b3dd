// Calls on a file held open: what it is (its device and inode stand for the
// volume and file index), its content, and its deletion as its handle closes.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/drive_paths.h"
#include "platform/posix/handles.h"
#include "platform/posix/last_error.h"
#include "platform/win32_api.h"

namespace {

FileHandle* AsFile(HANDLE handle) {
  return HandleAs<FileHandle>(handle, PosixHandle::Kind::File);
}

bool StatOf(const FileHandle& file, struct stat& entry) {
  if (fstat(file.fd, &entry) == 0) return true;
  SetErrorFromErrno(errno);
  return false;
}

// The name the open file has now, through the process's own view of it.
std::string CurrentName(int fd) {
  std::vector<char> name(4096);
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(link.c_str(), name.data(), name.size() - 1);
  return length > 0 ? std::string(name.data(), length) : std::string();
}

}  // namespace

void DeleteByCurrentName(int fd) {
  struct stat held;
  struct stat named;
  const std::string name = CurrentName(fd);
  // Only while that name still leads to this very file.
  if (!name.empty() && fstat(fd, &held) == 0 &&
      lstat(name.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
      held.st_ino == named.st_ino) {
    if (S_ISDIR(named.st_mode)) {
      rmdir(name.c_str());
    } else {
      unlink(name.c_str());
    }
  }
}

BOOL GetFileInformationByHandle(HANDLE handle,
                                BY_HANDLE_FILE_INFORMATION* info) {
  FileHandle* file = AsFile(handle);
  struct stat entry;
  if (file == nullptr || !StatOf(*file, entry)) return FALSE;
  std::memset(info, 0, sizeof *info);
  if (S_ISDIR(entry.st_mode)) {
    info->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  } else if (S_ISLNK(entry.st_mode)) {
    info->dwFileAttributes =
        FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE;
  } else if (!S_ISREG(entry.st_mode)) {
    // A FIFO, socket or device: no file of the kind Windows keeps.
    info->dwFileAttributes = FILE_ATTRIBUTE_DEVICE;
  } else {
    info->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  }
  if (!S_ISLNK(entry.st_mode) && (entry.st_mode & 0222) == 0) {
    info->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  }
  const auto device = static_cast<std::uint64_t>(entry.st_dev);
  const auto inode = static_cast<std::uint64_t>(entry.st_ino);
  const auto size = static_cast<std::uint64_t>(entry.st_size);
  info->dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
  info->nFileIndexHigh = static_cast<DWORD>(inode >> 32);
  info->nFileIndexLow = static_cast<DWORD>(inode);
  info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  info->nFileSizeLow = static_cast<DWORD>(size);
  info->nNumberOfLinks = static_cast<DWORD>(entry.st_nlink);
  // 100-nanosecond intervals since 1601, as Windows counts them.
  const std::uint64_t written =
      (static_cast<std::uint64_t>(entry.st_mtim.tv_sec) + 11644473600u) *
          10000000u +
      static_cast<std::uint64_t>(entry.st_mtim.tv_nsec) / 100u;
  info->ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(written);
  info->ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(written >> 32);
  return TRUE;
}

// Attributes: the read-only state only, as SetFileAttributesA keeps it; a
// link has no mode of its own. Disposition: a read-only file cannot be
// marked, as on Windows.
BOOL SetFileInformationByHandle(HANDLE handle,
                                FILE_INFO_BY_HANDLE_CLASS infoClass,
                                LPVOID info, DWORD) {
  FileHandle* file = AsFile(handle);
  struct stat entry;
  if (file == nullptr || !StatOf(*file, entry)) return FALSE;
  const bool readOnly = !S_ISLNK(entry.st_mode) && (entry.st_mode & 0222) == 0;
  if (infoClass == FileDispositionInfo) {
    const bool mark = static_cast<FILE_DISPOSITION_INFO*>(info)->DeleteFile;
    if (mark && readOnly) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    file->deleteOnClose = mark;
    return TRUE;
  }
  if (infoClass != FileBasicInfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD attributes = static_cast<FILE_BASIC_INFO*>(info)->FileAttributes;
  if (attributes == 0 || S_ISLNK(entry.st_mode)) return TRUE;
  mode_t mode = entry.st_mode & 07777;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    mode &= ~static_cast<mode_t>(0222);
  } else if (readOnly) {
    mode |= S_IWUSR;
  }
  // Through the process's view of the descriptor, which may be a path-only
  // one that fchmod refuses.
  const std::string self = "/proc/self/fd/" + std::to_string(file->fd);
  if (chmod(self.c_str(), mode) != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance,
                      LARGE_INTEGER* position, DWORD method) {
  FileHandle* file = AsFile(handle);
  if (file == nullptr) return FALSE;
  const int whence = method == FILE_BEGIN ? SEEK_SET
                     : method == 1        ? SEEK_CUR
                                          : SEEK_END;
  const off_t at = lseek(file->fd, distance.QuadPart, whence);
  if (at < 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  if (position != nullptr) position->QuadPart = at;
  return TRUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD done, void*) {
  FileHandle* file = AsFile(handle);
  if (done != nullptr) *done = 0;
  if (file == nullptr) return FALSE;
  ssize_t got;
  do {
    got = read(file->fd, buffer, size);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  if (done != nullptr) *done = static_cast<DWORD>(got);
  return TRUE;
}

// The name the descriptor has now, which the kernel keeps with every link
// resolved, in drive form. Like Windows, a buffer too small for it and its
// terminating null gets nothing, and the answer is the size it needs.
DWORD GetFinalPathNameByHandleA(HANDLE handle, LPSTR buffer, DWORD size,
                                DWORD) {
  FileHandle* file = AsFile(handle);
  if (file == nullptr) return 0;
  const std::string name = CurrentName(file->fd);
  if (name.empty() || name[0] != '/') {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const std::string path = "\\\\?\\" + DrivePath(name);
  if (path.size() >= size) return static_cast<DWORD>(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}
