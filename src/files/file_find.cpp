#include "files/file_find.h"

#include <cstring>
#include <utility>

bool CFileFind::FindFile(const char* pattern) {
  Close();
  lookAhead_ = std::make_unique<WIN32_FIND_DATAA>();
  if (pattern == nullptr) pattern = "*.*";

  search_ = FindFirstFileA(pattern, lookAhead_.get());
  if (search_ == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    Close();
    SetLastError(error);
    return false;
  }

  char fullPath[MAX_PATH] = {};
  char* namePart = nullptr;
  const DWORD length = GetFullPathNameA(pattern, MAX_PATH, fullPath, &namePart);
  if (length == 0 || length >= MAX_PATH) {
    Close();
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  root_ = fullPath;
  // Either separator may end the folder part; the later one wins.
  const std::size_t separator = root_.find_last_of("\\/");
  if (separator != std::string::npos) root_.resize(separator);
  return true;
}

bool CFileFind::FindNextFile() {
  if (search_ == nullptr) return false;
  if (!current_) current_ = std::make_unique<WIN32_FIND_DATAA>();
  std::swap(current_, lookAhead_);
  // Qualified: <windows.h> renames this very method to FindNextFileA.
  return ::FindNextFileA(search_, lookAhead_.get()) != FALSE;
}

bool CFileFind::IsDots() const {
  if (!IsDirectory()) return false;
  const char* name = current_->cFileName;
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool CFileFind::MatchesMask(DWORD mask) const {
  return current_ && (current_->dwFileAttributes & mask) != 0;
}

std::string CFileFind::GetFileName() const {
  return current_ ? std::string(current_->cFileName) : std::string();
}

void CFileFind::Close() {
  current_.reset();
  lookAhead_.reset();
  if (search_ != nullptr && search_ != INVALID_HANDLE_VALUE) {
    FindClose(search_);
  }
  search_ = nullptr;
  root_.clear();
}
