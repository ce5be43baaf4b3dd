// File, folder and search calls over the POSIX file system, with the Windows
// results the program relies on: attribute bits from the file mode, a delete
// that refuses read-only files even for root, a folder removal that refuses
// non-empty and read-only folders and removes a folder link as a link.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/drive_paths.h"
#include "platform/posix/handles.h"
#include "platform/posix/wildcard.h"
#include "platform/win32_api.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

const DWORD kErrorDirectory = 267;

bool HasNoWriteBit(mode_t mode) { return (mode & 0222) == 0; }

// The attributes of `name` in the folder open as `folder` (AT_FDCWD for the
// current folder), the entry itself and not what a link points to.
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
  lastError = error;
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

void SetErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      lastError = ERROR_FILE_NOT_FOUND;
      break;
    case ENOTDIR:
      lastError = ERROR_PATH_NOT_FOUND;
      break;
    case EEXIST:
      lastError = ERROR_FILE_EXISTS;
      break;
    case ENOTEMPTY:
      lastError = ERROR_DIR_NOT_EMPTY;
      break;
    case ENAMETOOLONG:
      lastError = ERROR_FILENAME_EXCED_RANGE;
      break;
    case ENOMEM:
      lastError = ERROR_NOT_ENOUGH_MEMORY;
      break;
    default:
      lastError = ERROR_ACCESS_DENIED;
  }
}

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

BOOL PathFileExistsA(LPCSTR path) {
  struct stat entry;
  return lstat(HostPath(path).c_str(), &entry) == 0 ? TRUE : FALSE;
}

BOOL PathRemoveFileSpecA(LPSTR path) {
  char* separator = std::strrchr(path, '\\');
  const bool hasDrive = path[0] != '\0' && path[1] == ':';
  char* cut;
  if (separator == nullptr) {
    cut = hasDrive ? path + 2 : path;
  } else if (separator == path || (hasDrive && separator == path + 2)) {
    cut = separator + 1;  // a root keeps its separator
  } else {
    cut = separator;
  }
  if (*cut == '\0') return FALSE;
  *cut = '\0';
  return TRUE;
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart) {
  std::string path = name;
  const bool hasDrive = path.size() >= 2 && path[1] == ':';
  if (!hasDrive) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) {
      path = "Z:" + path;
    } else {
      std::vector<char> here(4096);
      if (getcwd(here.data(), here.size()) == nullptr) {
        return Fail(ERROR_PATH_NOT_FOUND);
      }
      path = DrivePath(here.data()) + "\\" + path;
    }
  }
  // Resolve "." and ".." components and unify the separators.
  std::vector<std::string> parts;
  std::size_t start = 3;
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      const std::string part = path.substr(start, i - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      start = i + 1;
    }
  }
  std::string full = path.substr(0, 2) + "\\";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) full += '\\';
    full += parts[i];
  }
  if (full.size() + 1 > size) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), full.size() + 1);
  if (filePart != nullptr) {
    const std::size_t separator = LastSeparator(full);
    *filePart = separator + 1 < full.size() ? buffer + separator + 1 : nullptr;
  }
  return static_cast<DWORD>(full.size());
}

DWORD GetFileAttributesA(LPCSTR path) {
  const std::string host = HostPath(path);
  struct stat entry;
  if (lstat(host.c_str(), &entry) != 0) {
    SetErrorFromErrno(errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(host);
}

// Opens the item itself, a link as a link; access, share mode and the other
// flags have no POSIX counterpart and change nothing.
HANDLE CreateFileA(LPCSTR path, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD,
                   DWORD flags, HANDLE) {
  const int noFollow =
      (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0 ? O_NOFOLLOW : 0;
  const int fd = open(HostPath(path).c_str(), O_PATH | O_CLOEXEC | noFollow);
  if (fd < 0) {
    SetErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  return new FileHandle(fd);
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
    if (error == ENOENT) lastError = ERROR_PATH_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  if (!NextMatch(*search, data)) {
    delete search;
    lastError = ERROR_FILE_NOT_FOUND;
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
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    struct stat entry;
    return Fail(lstat(host.c_str(), &entry) == 0 ? kErrorDirectory
                                                 : ERROR_FILE_NOT_FOUND);
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
