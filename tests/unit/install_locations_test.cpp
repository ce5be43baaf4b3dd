#include "engine/install_locations.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32_api.h"
#include "product_code.h"
#include "test_files.h"

namespace {

const char kProbe[] = "C:\\Windows\\SysWOW64";

// The root is the system directory's drive, and each layout's information
// folder lies on it.
TEST(InstallLocations, InformationFolderOfEachLayoutOnTheSystemDrive) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string root = SystemDriveRoot();
  EXPECT_EQ(root, std::string(system).substr(0, 3)) << "input: " << system;
  EXPECT_EQ(root.substr(1), ":\\") << "input: " << system;
  const std::string base = "InstallShield Installation Information\\";
  const std::string folder32 = InfoFolderPath(InstallLayout::Layout32);
  const std::string folder64 = InfoFolderPath(InstallLayout::Layout64);
  EXPECT_EQ(folder32, root + "Program Files\\" + base + UPGRADE_PRODUCT_CODE);
  EXPECT_EQ(folder64,
            root + "Program Files (x86)\\" + base + UPGRADE_PRODUCT_CODE);
  // The buffer's length is its text's, and the wipe's paths inside the
  // folder stay short of the path limit.
  EXPECT_EQ(folder32.size(), std::strlen(folder32.c_str()));
  EXPECT_EQ(folder64.size(), folder32.size() + std::strlen(" (x86)"));
  EXPECT_LT(folder64.size() + std::strlen("\\uninstall.iss"),
            static_cast<std::size_t>(MAX_PATH));
}

// The machine's own layout, as the test run declares it: "64" in the 64-bit
// Wine prefix, "32" in the 32-bit one; natively the test makes both.
TEST(InstallLayoutDetection, FollowsTheProbeFolderAndAcceptsAFile) {
  const char* declared = std::getenv("EXPECTED_LAYOUT");
  if (declared != nullptr && std::strcmp(declared, "64") == 0) {
    EXPECT_TRUE(test_files::Exists(kProbe));
    EXPECT_EQ(DetectLayout(), InstallLayout::Layout64);
    return;
  }
  // Natively drive C: belongs to the tests, and a scenario may have left the
  // probe behind.
  if (declared == nullptr) test_files::Wipe(kProbe);
  ASSERT_FALSE(test_files::Exists(kProbe));
  EXPECT_EQ(DetectLayout(), InstallLayout::Layout32);

  test_files::WriteFile(kProbe, "not a folder");
  EXPECT_EQ(DetectLayout(), InstallLayout::Layout64);
  test_files::Wipe(kProbe);

  test_files::MakeFolder(kProbe);
  EXPECT_EQ(DetectLayout(), InstallLayout::Layout64);
  test_files::Wipe(kProbe);
  EXPECT_EQ(DetectLayout(), InstallLayout::Layout32);
}

}  // namespace
