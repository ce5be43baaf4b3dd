#include "removal/folder_tree.h"

#include "platform/win32_api.h"
#include "removal/file_find.h"

bool DeleteFolderTree(const std::string& path) {
  CFileFind finder;
  if (finder.FindFile((path + "\\*.*").c_str())) {
    bool more;
    do {
      more = finder.FindNextFile();
      if (finder.IsDots()) continue;
      const std::string entry = path + "\\" + finder.GetFileName();
      if (finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT) &&
          finder.IsDirectory()) {
        // A junction or folder link: its target may lie anywhere, so only the
        // link itself is removed.
        RemoveDirectoryA(entry.c_str());
      } else if (finder.IsDirectory()) {
        DeleteFolderTree(entry);
      } else {
        DeleteFileA(entry.c_str());
      }
    } while (more);
  }
  finder.Close();
  return RemoveDirectoryA(path.c_str()) != FALSE;
}
