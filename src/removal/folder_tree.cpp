#include "removal/folder_tree.h"

#include <cstring>
#include <utility>

#include "platform/win32_api.h"
#include "removal/file_find.h"

namespace {

BeforeEnteringFolderHook beforeEnteringFolder = nullptr;

// Whether `name`, as the search listed it, names a child of the folder
// searched and nothing else. The narrow search converts a name the code page
// cannot hold with best fit, so a full-width "．．＼x" comes back as "..\x",
// which composed onto the folder would name a path outside it. A lead byte and
// the byte after it are one character: under a double-byte code page a second
// byte 0x5C is part of a character, not a separator.
bool IsOwnChildName(const std::string& name) {
  if (name.find_first_not_of('.') == std::string::npos) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      ++i;
    } else if (std::strchr("\\/:*?\"<>|", c) != nullptr) {
      return false;
    }
  }
  return true;
}

void DeleteEntries(const std::string& path) {
  CFileFind finder;
  if (!finder.FindFile((path + "\\*.*").c_str())) return;
  bool more;
  do {
    more = finder.FindNextFile();
    if (finder.IsDots()) continue;
    const std::string name = finder.GetFileName();
    if (!IsOwnChildName(name)) continue;
    const std::string entry = path + "\\" + name;
    if (finder.IsDirectory()) {
      if (beforeEnteringFolder != nullptr) beforeEnteringFolder(entry);
      DeleteFolderTree(entry);
    } else {
      DeleteFileA(entry.c_str());
    }
  } while (more);
}

}  // namespace

bool DeleteFolderTree(const std::string& path) {
  // Held open without delete sharing, a folder cannot be renamed or replaced
  // by a link while its entries go; a link is opened as itself. The look at
  // its attributes comes after, so it sees what is held.
  const HANDLE held = CreateFileA(
      path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (held != INVALID_HANDLE_VALUE) {
    if (IsOwnFolder(path)) DeleteEntries(path);
    CloseHandle(held);
  }
  // Removes an emptied folder, or a link as a link.
  return RemoveDirectoryA(path.c_str()) != FALSE;
}

bool IsOwnFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

BeforeEnteringFolderHook SetBeforeEnteringFolderHookForTesting(
    BeforeEnteringFolderHook hook) {
  return std::exchange(beforeEnteringFolder, hook);
}
