// The program's exit codes. None clashes with the codes deployment tools read
// from an installer (1618, 1641, 3010). Built to pass on the installer's own
// exit code, the program ends with that whenever the installer ran, which may
// be any number, these too.
#pragma once

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
// than 259 characters, or holds characters the code page cannot represent.
// Its companion files could not be found for sure, so nothing was done.
constexpr int kExitOwnPathNotExact = 41;

// A previous installation is there but the new installer cannot be started:
// there is none (not beside the program in silent mode, nowhere the system's
// search looks in interactive mode), or the file found is not a regular file,
// not a Windows program this machine runs, or cut short; or the program's own
// folder is the information folder or lies inside it, so that the removal
// would take the installer with it. Removing the old version would leave
// neither, so nothing was removed or started.
constexpr int kExitInstallerCannotStart = 42;

// The installer engine's uninstaller could not be started because it needs
// elevation and this program does not have it: the deletion and the new
// installer would fail the same way, so nothing was removed or started. Run
// the program elevated.
constexpr int kExitNeedsElevation = 43;

// Built to pass on the installer's own exit code: no installer could be
// started, although nothing was installed before (there is none, or it
// cannot start), so there is no exit code of its own to pass on.
constexpr int kExitNoInstallerStarted = 44;
