// CFileFind: enumerates the directory entries matching a path pattern, reading
// one entry ahead of the current one.
//
// A walk reads:
//   if (finder.FindFile(pattern)) {
//     bool more;
//     do { more = finder.FindNextFile(); /* use the current entry */ } while
//     (more);
//   }
// The entry made current by the call that returns false is the last one and is
// still to be used.
#pragma once

#include <memory>
#include <string>

#include "platform/win32_api.h"

class CFileFind {
 public:
  CFileFind() = default;
  CFileFind(const CFileFind&) = delete;
  CFileFind& operator=(const CFileFind&) = delete;
  ~CFileFind() { Close(); }

  // Starts a search for `pattern` ("*.*" when null), ending any earlier one.
  // The first entry is read ahead; there is no current entry until the first
  // FindNextFile. On failure returns false, leaves no search open and sets the
  // thread's last error: the system's code, or ERROR_INVALID_NAME when the
  // pattern has no full path. Throws std::bad_alloc when memory runs out.
  bool FindFile(const char* pattern = nullptr);

  // Makes the read-ahead entry current and reads the next one. Returns whether
  // a further entry remains; false also when no search is open.
  bool FindNextFile();

  // The current entry is the folder "." or "..".
  bool IsDots() const;

  // The current entry's attributes share a bit with `mask`; false without a
  // current entry.
  bool MatchesMask(DWORD mask) const;
  bool IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }

  // The current entry's name; empty without a current entry.
  std::string GetFileName() const;

  // Ends the search and frees both entry records.
  void Close();

 private:
  std::unique_ptr<WIN32_FIND_DATAA> current_;
  std::unique_ptr<WIN32_FIND_DATAA> lookAhead_;
  HANDLE search_ = nullptr;
  std::string root_;
};
