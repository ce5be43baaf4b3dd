#include "removal/folder_tree.h"

#include "platform/win32_api.h"
#include "removal/file_find.h"

namespace {

// A junction or folder link: its target may lie anywhere, so it is never
// walked, and only the link itself is removed.
bool IsFolderLink(const CFileFind& finder) {
  return finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT) &&
         finder.IsDirectory();
}

// Whether `path` itself, not what it may point to, is a folder link.
bool NamesFolderLink(const std::string& path) {
  CFileFind finder;
  if (!finder.FindFile(path.c_str())) return false;
  finder.FindNextFile();
  return IsFolderLink(finder);
}

bool DeleteContentsAndFolder(const std::string& path) {
  CFileFind finder;
  if (finder.FindFile((path + "\\*.*").c_str())) {
    bool more;
    do {
      more = finder.FindNextFile();
      if (finder.IsDots()) continue;
      const std::string entry = path + "\\" + finder.GetFileName();
      if (IsFolderLink(finder)) {
        RemoveDirectoryA(entry.c_str());
      } else if (finder.IsDirectory()) {
        DeleteContentsAndFolder(entry);
      } else {
        DeleteFileA(entry.c_str());
      }
    } while (more);
  }
  finder.Close();
  return RemoveDirectoryA(path.c_str()) != FALSE;
}

}  // namespace

bool DeleteFolderTree(const std::string& path) {
  // Entries below are checked as the walk meets them; the top is checked here.
  if (NamesFolderLink(path)) return RemoveDirectoryA(path.c_str()) != FALSE;
  return DeleteContentsAndFolder(path);
}
