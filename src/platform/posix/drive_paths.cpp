#include "platform/posix/drive_paths.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

const char kDriveC[] = UPGRADE_DRIVE_C;
const char kNoSuchDrive[] = "/dev/null/no-such-drive";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string OwnHostPath() {
  std::vector<char> path(4096);
  const ssize_t length =
      readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), length) : std::string();
}

std::string HostPath(const std::string& windowsPath) {
  std::string base;
  std::string rest = windowsPath;
  if (windowsPath.size() >= 2 &&
      std::isalpha(static_cast<unsigned char>(windowsPath[0])) &&
      windowsPath[1] == ':') {
    const char drive = static_cast<char>(
        std::tolower(static_cast<unsigned char>(windowsPath[0])));
    base = drive == 'c' ? kDriveC : drive == 'z' ? "" : kNoSuchDrive;
    rest = windowsPath.substr(2);
    if (rest.empty() || !IsSeparator(rest[0])) rest.insert(0, "/");
  }
  std::replace(rest.begin(), rest.end(), '\\', '/');
  return base + rest;
}

std::string DrivePath(const std::string& hostPath) {
  const std::string driveC = kDriveC;
  std::string path;
  if (hostPath.compare(0, driveC.size(), driveC) == 0 &&
      (hostPath.size() == driveC.size() || hostPath[driveC.size()] == '/')) {
    path = "C:" + hostPath.substr(driveC.size());
    if (path.size() == 2) path += '\\';
  } else {
    path = "Z:" + hostPath;
  }
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}
