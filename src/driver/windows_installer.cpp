#include "driver/windows_installer.h"

#include <string>

#include "platform/owned_handle.h"

namespace {

const char kInstallerMutex[] = "Global\\_MSIExecute";
// Release needs the right to change its state, the wait the right to wait.
const DWORD kMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

bool Had(DWORD waitResult) {
  return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED;
}

// The log's line on a look that needs one, empty for none: one that could
// not be made (`error` is the system's), or an abandoned mutex.
std::string LookText(const InstallerMutexLook& look, DWORD error) {
  const std::string name = kInstallerMutex;
  if (look.openError == ERROR_FILE_NOT_FOUND) return "";
  if (look.openError != ERROR_SUCCESS || look.waitResult == WAIT_FAILED) {
    return "msi: " + name + " could not be looked at: error " +
           std::to_string(error) + "; the run goes on without the look";
  }
  if (look.waitResult == WAIT_ABANDONED) {
    return "msi: " + name + " was left by an owner that ended; taken as free";
  }
  return "";
}

}  // namespace

std::optional<Refusal> WindowsInstallerVerdict(const InstallerMutexLook& look,
                                               unsigned waitSeconds) {
  if (look.openError != ERROR_SUCCESS) return std::nullopt;
  if (look.waitResult == WAIT_TIMEOUT) {
    return Refusal{kExitWindowsInstallerBusy,
                   "Windows Installer still ran another installation after " +
                       std::to_string(waitSeconds) + " s (" + kInstallerMutex +
                       " held)"};
  }
  if (Had(look.waitResult) && !look.released) {
    return Refusal{
        kExitWindowsInstallerBusy,
        std::string("it could not let go of ") + kInstallerMutex + " again"};
  }
  return std::nullopt;
}

std::optional<Refusal> WaitForWindowsInstaller(unsigned waitSeconds,
                                               const UpgradeLog& log) {
  if (waitSeconds == 0) return std::nullopt;
  InstallerMutexLook look;
  const OwnedHandle mutex(OpenMutexA(kMutexAccess, FALSE, kInstallerMutex));
  DWORD error = ERROR_SUCCESS;
  if (!mutex.valid()) {
    look.openError = GetLastError();
    if (look.openError == ERROR_SUCCESS) look.openError = ERROR_INVALID_HANDLE;
    error = look.openError;
  } else {
    look.waitResult = WaitForSingleObject(mutex.get(), 0);
    const DWORD start = GetTickCount();
    if (look.waitResult == WAIT_TIMEOUT) {
      LogEvent(log, [&] {
        return "msi: Windows Installer runs another installation; waiting up "
               "to " +
               std::to_string(waitSeconds) + " s";
      });
      look.waitResult = WaitForSingleObject(mutex.get(), waitSeconds * 1000u);
      if (look.waitResult == WAIT_OBJECT_0) {
        LogEvent(log, [&] {
          return "msi: Windows Installer was free after " +
                 std::to_string(GetTickCount() - start) + " ms";
        });
      }
    }
    if (look.waitResult == WAIT_FAILED) error = GetLastError();
    if (Had(look.waitResult)) {
      // Had for a moment only: the engines this run starts need it.
      look.released = ReleaseMutex(mutex.get()) != FALSE;
    }
  }
  const std::string text = LookText(look, error);
  if (!text.empty()) LogEvent(log, [&] { return text; });
  return WindowsInstallerVerdict(look, waitSeconds);
}
