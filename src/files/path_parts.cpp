#include "files/path_parts.h"

#include <cctype>
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

namespace {

bool StartsWith(const std::string& text, std::size_t at, const char* start) {
  return text.compare(at, std::strlen(start), start) == 0;
}

// "X:\" at `at`.
bool DriveRootAt(const std::string& path, std::size_t at) {
  return path.size() >= at + 3 &&
         std::isalpha(static_cast<unsigned char>(path[at])) &&
         path[at + 1] == ':' && path[at + 2] == '\\';
}

// "server\share\" at `at`: two parts, neither empty.
bool ShareAt(const std::string& path, std::size_t at) {
  const std::size_t server = path.find('\\', at);
  if (server == std::string::npos || server == at) return false;
  const std::size_t share = path.find('\\', server + 1);
  return share != std::string::npos && share > server + 1;
}

}  // namespace

bool IsAbsolutePath(const std::string& path) {
  if (StartsWith(path, 0, "\\\\?\\UNC\\")) return ShareAt(path, 8);
  if (StartsWith(path, 0, "\\\\?\\")) return DriveRootAt(path, 4);
  if (StartsWith(path, 0, "\\\\")) return ShareAt(path, 2);
  return DriveRootAt(path, 0);
}
