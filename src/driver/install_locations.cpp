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

// The root followed directly by `suffix`, or empty where that does not fit.
PathBuffer RootedPath(const char* suffix) {
  PathBuffer path = SystemDriveRoot();
  if (!path.Append(suffix)) return PathBuffer();
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
  PathBuffer path;
  path.Append(root);  // three characters always fit
  return path;
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
