// Windows Installer runs one installation at a time: an engine built on it
// cannot uninstall or install while another installation owns its mutex.
#pragma once

#include <optional>

#include "log/upgrade_log.h"
#include "platform/win32_api.h"
#include "shared/exit_codes.h"

// What one look at Windows Installer's mutex found: the error of its opening
// (ERROR_SUCCESS when it was opened), the answer of the bounded wait on it,
// and, when the wait had it, whether it was let go again.
struct InstallerMutexLook {
  DWORD openError = ERROR_SUCCESS;
  DWORD waitResult = WAIT_FAILED;
  bool released = true;
};

// Whether the run may go on after `look`, the wait bounded by `waitSeconds`:
// kExitWindowsInstallerBusy when another process still owned the mutex at the
// bound, or when it was had and could not be let go; nothing when it is not
// there, was had (an abandoned one counts as free) and let go, or cannot be
// looked at (opened or waited for), where the run goes on as the classic
// program did.
std::optional<Refusal> WindowsInstallerVerdict(const InstallerMutexLook& look,
                                               unsigned waitSeconds);

// Before anything is changed: unless `waitSeconds` is 0, opens Windows
// Installer's mutex "Global\_MSIExecute" when it is there and waits for it up
// to `waitSeconds`; when it has it, it lets it go at once, so that it never
// holds it while an engine runs. Logs a wait and how it ended, and a look
// that could not be made. Returns WindowsInstallerVerdict's answer.
std::optional<Refusal> WaitForWindowsInstaller(unsigned waitSeconds,
                                               const UpgradeLog& log);
