#include "engine/install_locations.h"

#include <cctype>

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

// The root followed directly by `suffix`.
std::string RootedPath(const char* suffix) {
  return SystemDriveRoot() + suffix;
}

}  // namespace

std::string SystemDriveRoot() {
  char systemDirectory[MAX_PATH] = {};
  GetSystemDirectoryA(systemDirectory, MAX_PATH);
  // Only the drive letter, colon and separator count.
  const std::string root = std::string(systemDirectory).substr(0, 3);
  const bool drive = root.size() == 3 &&
                     std::isalpha(static_cast<unsigned char>(root[0])) &&
                     root[1] == ':' && root[2] == '\\';
  return drive ? root : std::string();
}

InstallLayout DetectLayout() {
  const std::string probe = RootedPath(kProbeSuffix);
  return PathFileExistsA(probe.c_str()) ? InstallLayout::Layout64
                                        : InstallLayout::Layout32;
}

std::string InfoFolderPath(InstallLayout layout) {
  return RootedPath(layout == InstallLayout::Layout64 ? kInfoFolder64
                                                      : kInfoFolder32);
}
