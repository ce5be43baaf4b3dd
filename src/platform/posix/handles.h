// What a HANDLE points to in the POSIX stand-ins.
#pragma once

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>

struct PosixHandle {
  enum class Kind { Process, Search, Stream, File };
  explicit PosixHandle(Kind k) : kind(k) {}
  virtual ~PosixHandle() = default;
  const Kind kind;
};

struct ProcessHandle : PosixHandle {
  explicit ProcessHandle(pid_t p) : PosixHandle(Kind::Process), pid(p) {}
  pid_t pid;
  bool ended = false;
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

// A file or folder held open. POSIX has no share modes, so holding it keeps
// nobody from renaming or replacing it. Marked for deletion, it is deleted as
// it closes, by the name it has then, as Windows deletes a file whose last
// handle closes.
struct FileHandle : PosixHandle {
  explicit FileHandle(int f) : PosixHandle(Kind::File), fd(f) {}
  ~FileHandle() override;
  int fd;
  bool deleteOnClose = false;
};
