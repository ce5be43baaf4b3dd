#include "driver/windows_installer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/owned_handle.h"
#include "platform/win32_api.h"
#include "shared/exit_codes.h"

namespace {

// The run goes on when the mutex is not there, was had (abandoned too) and
// let go, or cannot be looked at; it ends with 1618 when another still owns
// it at the bound, or when it was had and could not be let go.
TEST(WindowsInstallerVerdict, RefusesOnlyWhileAnotherInstallationHoldsIt) {
  struct Case {
    DWORD openError;
    DWORD wait;
    bool released;
    bool refused;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, WAIT_FAILED, true, false},
      {ERROR_ACCESS_DENIED, WAIT_FAILED, true, false},
      {ERROR_SUCCESS, WAIT_OBJECT_0, true, false},
      {ERROR_SUCCESS, WAIT_ABANDONED, true, false},
      {ERROR_SUCCESS, WAIT_FAILED, true, false},
      {ERROR_SUCCESS, WAIT_TIMEOUT, true, true},
      {ERROR_SUCCESS, WAIT_OBJECT_0, false, true},
      {ERROR_SUCCESS, WAIT_ABANDONED, false, true},
  };
  for (const Case& c : cases) {
    const auto refusal =
        WindowsInstallerVerdict({c.openError, c.wait, c.released}, 600);
    EXPECT_EQ(refusal.has_value(), c.refused)
        << "open error " << c.openError << ", wait " << c.wait << ", released "
        << c.released << ": expected " << (c.refused ? "1618" : "go on");
    EXPECT_EQ(refusal ? refusal->exitCode : 0,
              c.refused ? kExitWindowsInstallerBusy : 0);
  }
}

// Another thread (natively another lock on the mutex's file) holds the mutex:
// a wait of 1 s ends with 1618; let go meanwhile, it is had and let go again,
// so that its holder takes it back at once. A bound of 0 does not look.
TEST(WindowsInstallerWait, WaitsForTheOwnerWithinTheBoundAndLetsGo) {
  const char kName[] = "Global\\_MSIExecute";
  std::atomic<int> stage{0};
  std::atomic<DWORD> retaken{WAIT_FAILED};
  std::thread holder([&] {
    const OwnedHandle mutex(CreateMutexA(nullptr, FALSE, kName));
    const bool owned = WaitForSingleObject(mutex.get(), 0) == WAIT_OBJECT_0;
    stage = owned ? 1 : -1;
    for (int i = 0; i < 600 && stage == 1; ++i) Sleep(50);
    Sleep(300);
    if (owned) ReleaseMutex(mutex.get());
    for (int i = 0; i < 600 && stage == 2; ++i) Sleep(50);
    retaken = WaitForSingleObject(mutex.get(), 0);
    if (retaken == WAIT_OBJECT_0) ReleaseMutex(mutex.get());
  });
  for (int i = 0; i < 600 && stage == 0; ++i) Sleep(50);
  ASSERT_EQ(stage, 1) << "the holder could not take " << kName;
  EXPECT_FALSE(WaitForWindowsInstaller(0, UpgradeLog()))
      << "bound 0: no look, so no refusal";
  const auto busy = WaitForWindowsInstaller(1, UpgradeLog());
  EXPECT_EQ(busy ? busy->exitCode : 0, kExitWindowsInstallerBusy)
      << "held past a bound of 1 s";
  stage = 2;
  EXPECT_FALSE(WaitForWindowsInstaller(30, UpgradeLog()))
      << "let go 300 ms into a bound of 30 s";
  stage = 3;
  holder.join();
  EXPECT_EQ(retaken, WAIT_OBJECT_0) << "the holder's zero wait once it went";
}

}  // namespace
