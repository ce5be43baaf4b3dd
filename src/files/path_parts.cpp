#include "files/path_parts.h"

#include <cstring>

#include "platform/win32_api.h"

bool CutLastPart(std::string& path) {
  std::string cut = path;
  if (cut.empty() || !PathRemoveFileSpecA(&cut[0])) return false;
  cut.resize(std::strlen(cut.c_str()));
  if (cut.size() >= path.size()) return false;
  path = cut;
  return true;
}

std::string FolderOf(std::string path) {
  CutLastPart(path);
  return path;
}

std::string LastPartOf(const std::string& path) {
  std::size_t start = FolderOf(path).size();
  if (start < path.size() && (path[start] == '\\' || path[start] == '/')) {
    ++start;
  }
  return path.substr(start);
}

std::string PathIn(const std::string& folder, const char* name) {
  return folder + "\\" + name;
}
