// The POSIX copy on a disk that fills up midway: like the system's copy on
// Windows, it leaves no partial file for the uninstaller to read.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <string>

#include "removal/removal_stage.h"
#include "test_files.h"

namespace {

const std::string kWork = "C:\\upgrade-test\\copy";

TEST(PosixCopy, FailingMidwayLeavesNoResponseFile) {
  test_files::Wipe(kWork);
  test_files::WriteFile(kWork + "\\dist\\uninstall.iss",
                        std::string(270177, 'r'));
  test_files::MakeFolder(kWork + "\\info");
  // A file size limit stands in for the full disk: writes past it fail.
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 49152;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const bool placed = PlaceUninstallResponse(kWork + "\\dist", kWork + "\\info")
                          .copy.has_value();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(placed);
  EXPECT_FALSE(test_files::Exists(kWork + "\\info\\uninstall.iss"));
  test_files::Wipe(kWork);
}

}  // namespace
