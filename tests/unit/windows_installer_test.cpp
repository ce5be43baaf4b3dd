#include "driver/windows_installer.h"

#include <gtest/gtest.h>

namespace {

// 1618 only while another owns the mutex at the bound, or when it was had
// and could not be let go; not there, had (abandoned too) and let go, or
// not to be looked at: the run goes on.
TEST(WindowsInstallerVerdict, RefusesOnlyWhileAnotherInstallationHoldsIt) {
  struct Case {
    DWORD openError, wait;
    bool released;
    int exitCode;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, WAIT_FAILED, true, 0},
      {ERROR_ACCESS_DENIED, WAIT_FAILED, true, 0},
      {ERROR_SUCCESS, WAIT_OBJECT_0, true, 0},
      {ERROR_SUCCESS, WAIT_ABANDONED, true, 0},
      {ERROR_SUCCESS, WAIT_FAILED, true, 0},
      {ERROR_SUCCESS, WAIT_TIMEOUT, true, 1618},
      {ERROR_SUCCESS, WAIT_ABANDONED, false, 1618},
  };
  for (const Case& c : cases) {
    const auto refusal =
        WindowsInstallerVerdict({c.openError, c.wait, c.released}, 600);
    EXPECT_EQ(refusal ? refusal->exitCode : 0, c.exitCode)
        << "open error " << c.openError << ", wait " << c.wait << ", released "
        << c.released;
  }
}

}  // namespace
