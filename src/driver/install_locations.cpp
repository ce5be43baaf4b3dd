#include "driver/install_locations.h"

#include <cstring>

#include "platform/win32_api.h"
#include "product_code.h"

namespace {

const char kProbeSuffix[] = "Windows\\SysWOW64";
const char kInfoFolder32[] =
    "Program Files\\InstallShield Installation "
    "Information\\" UPGRADE_PRODUCT_CODE;
const char kInfoFolder64[] =
    "Program Files (x86)\\InstallShield Installation "
    "Information\\" UPGRADE_PRODUCT_CODE;

// The root followed directly by `suffix`; both are fixed-length texts that
// always fit a PathBuffer.
PathBuffer RootedPath(const char* suffix) {
  PathBuffer path = SystemDriveRoot();
  path.Append(suffix);
  return path;
}

}  // namespace

PathBuffer SystemDriveRoot() {
  char systemDirectory[MAX_PATH] = {};
  GetSystemDirectoryA(systemDirectory, MAX_PATH);
  // Only the drive letter, colon and separator count; a shorter answer gives
  // a shorter, still terminated root.
  char root[4] = {};
  std::memcpy(root, systemDirectory, 3);
  return PathBuffer(root);
}

InstallLayout DetectLayout() {
  const PathBuffer probe = RootedPath(kProbeSuffix);
  return PathFileExistsA(probe.c_str()) ? InstallLayout::Layout64
                                        : InstallLayout::Layout32;
}

PathBuffer InfoFolderPath(InstallLayout layout) {
  return RootedPath(layout == InstallLayout::Layout64 ? kInfoFolder64
                                                      : kInfoFolder32);
}

std::string OwnProgramPath() {
  // Twice the limit, so that a path past it shows as one and not as a path
  // cut short to fit.
  const DWORD capacity = 2 * MAX_PATH;
  char narrow[capacity] = {};
  const DWORD length = GetModuleFileNameA(nullptr, narrow, capacity);
  if (length == 0 || length >= MAX_PATH) return std::string();
  WCHAR wide[capacity] = {};
  const DWORD wideLength = GetModuleFileNameW(nullptr, wide, capacity);
  if (wideLength == 0 || wideLength >= MAX_PATH) return std::string();
  // The exact conversion of the real name must be the narrow answer itself.
  char converted[capacity] = {};
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, converted,
                          capacity, nullptr, &usedDefault) == 0 ||
      usedDefault || std::strcmp(converted, narrow) != 0) {
    return std::string();
  }
  return narrow;
}

std::string ModuleFolder() {
  std::string path = OwnProgramPath();
  if (path.empty()) return path;
  PathRemoveFileSpecA(&path[0]);
  path.resize(std::strlen(path.c_str()));
  return path;
}

std::string OwnProgramName() {
  const std::string path = OwnProgramPath();
  std::string folder = path;
  if (folder.empty()) return folder;
  PathRemoveFileSpecA(&folder[0]);
  std::size_t start = std::strlen(folder.c_str());
  if (start < path.size() && (path[start] == '\\' || path[start] == '/')) {
    ++start;
  }
  return path.substr(start);
}
