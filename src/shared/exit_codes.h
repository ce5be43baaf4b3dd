// The program's exit codes. One of them is the code deployment tools read
// from an installer for "another installation is already in progress" (1618),
// which they retry; 1603 is the installers' own "install failed", used for
// that meaning alone; the others clash with none of the codes they read
// (1641, 3010). Built to pass on the installer's own exit code, the program
// ends with that whenever the installer ran, which may be any number, these
// too.
#pragma once

#include <cstdint>
#include <string>

// A refusal: a check found that the run must end before it changes anything
// more, with one of the exit codes below, the reason the log gives ("the
// installer cannot be started") and the system's error that caused it (0 when
// none did). A check that lets the run go on returns no
// refusal: std::optional<Refusal> is empty.
struct Refusal {
  int exitCode;
  std::string reason;
  std::uint32_t systemError = 0;
};

// The upgrade ran: whatever the programs it started did, their exit codes do
// not change it. Built to pass on the installer's own exit code, the program
// ends with that instead.
constexpr int kExitUpgradeRan = 0;

// Memory ran out and an exception escaped; "abnormal program termination" was
// written to the standard-error handle where there is one.
constexpr int kExitAbnormal = 3;

// It would start itself: it is itself named "data.exe", the installer it
// starts, or the installer it would start ("data.exe") or the uninstaller in
// the information folder ("setup.exe") is this program's own file, by
// identity (a hard link or a link to it) or by content (a copy). Each copy
// would start the next without end, so nothing was placed, removed or
// started.
constexpr int kExitWouldStartItself = 40;

// The program's own path could not be read exactly, or a path it composes
// from its own folder would pass the system's path limit: the path is longer
// than 259 characters, holds characters the code page cannot represent, or
// is not absolute (a drive, "\\server\share\", "\\?\" or
// "\\?\UNC\" path). Or the system folder is not an absolute drive path,
// so the information folder cannot be found. Its companion files could not
// be found for sure, so nothing was done.
constexpr int kExitOwnPathNotExact = 41;

// A previous installation is there but the new installer cannot be started:
// there is none (not beside the program in silent mode, nowhere the system's
// search looks in interactive mode), or the file found is not a regular file,
// not a Windows program this machine runs, or cut short, or the system
// refused to create its process (the loader's verdict, asked before anything
// is removed); or the program's own folder is the information folder or lies
// inside it, so that the removal would take the installer with it. Removing
// the old version would leave neither, so nothing was removed or started.
constexpr int kExitInstallerCannotStart = 42;

// The installer engine's uninstaller, or the new installer, could not be
// started because it needs elevation and this program does not have it: the
// deletion and the new installer would fail the same way, so nothing was
// removed or started. Run the program elevated.
constexpr int kExitNeedsElevation = 43;

// Built to pass on the installer's own exit code: no installer could be
// started, although nothing was installed before (there is none, or it
// cannot start), so there is no exit code of its own to pass on.
constexpr int kExitNoInstallerStarted = 44;

// The wait for the uninstaller failed, so it may still run: its folder was
// not wiped and the new installer, created but not yet run, was ended.
constexpr int kExitUninstallerWaitFailed = 45;

// The previous version was removed, but the new installer, which the system
// had accepted before the removal, could not be resumed, and was ended: the
// new version is not installed. Run the program again.
constexpr int kExitInstallerNotResumed = 46;

// The installer ran, but the wait for its end failed, so it may still run;
// or, built to pass on its exit code, that code could not be read.
constexpr int kExitInstallerEndUnknown = 47;

// The uninstaller still ran when its bound was reached: it was ended with
// every process it started, the information folder was not wiped, and the new
// installer, created but not yet run, was ended.
constexpr int kExitUninstallerTimedOut = 48;

// Another upgrade of this product runs (it owns the product's mutex), or the
// mutex cannot be made or opened: nothing was looked at, removed or started.
// ERROR_INSTALL_ALREADY_RUNNING, which deployment tools retry later.
constexpr int kExitAnotherUpgradeRuns = 1618;

// The same code when Windows Installer still ran another installation at the
// end of the wait for it: nothing was removed or started.
constexpr int kExitWindowsInstallerBusy = kExitAnotherUpgradeRuns;

// The codes an installer ends with, as deployment tools read them, for a
// restart needed (ERROR_SUCCESS_REBOOT_REQUIRED) and one it started
// (ERROR_SUCCESS_REBOOT_INITIATED). Built to pass on the installer's own exit
// code, the program ends with 3010 when the installer ended with 0 but the
// uninstall asked for a restart with either.
constexpr int kExitRestartNeeded = 3010;
constexpr int kExitRestartStarted = 1641;

// Whether deployment tools read `code` as a success: 0, or a success that
// needs a restart.
constexpr bool IsSuccessCode(long long code) {
  return code == 0 || code == kExitRestartNeeded || code == kExitRestartStarted;
}

// The installer engine reported a failure in its setup.log although its
// process did not say so: built to keep the previous version after a failed
// uninstall, the uninstaller wrote a ResultCode below 0, so nothing was
// deleted or installed; or, built to pass on the installer's exit code, the
// silent installer wrote one below 0 and ended with 0. The same number as
// Windows Installer's ERROR_INSTALL_FAILURE, which deployment tools read as a
// failed install.
constexpr int kExitInstallFailed = 1603;
