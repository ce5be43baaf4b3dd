// The program's exit codes. None clashes with the codes deployment tools read
// from an installer (1618, 1641, 3010).
#pragma once

// The upgrade ran: whatever the programs it started did, their exit codes are
// not read.
constexpr int kExitUpgradeRan = 0;

// Memory ran out and an exception escaped; "abnormal program termination" was
// written to the standard-error handle where there is one.
constexpr int kExitAbnormal = 3;

// The program is itself named "data.exe", the installer it would start, so it
// would start itself over and over. Nothing was done.
constexpr int kExitNamedAsInstaller = 40;

// The program's own path could not be read exactly: it is longer than the
// system's path limit, or holds characters the code page cannot represent.
// Its companion files could not be found for sure, so nothing was done.
constexpr int kExitOwnPathNotExact = 41;

// A previous installation is there but the new installer is not (not beside
// the program in silent mode, nowhere the system's search looks in
// interactive mode). Removing the old version would leave neither, so
// nothing was done.
constexpr int kExitInstallerMissing = 42;

// The installer engine's uninstaller could not be started because it needs
// elevation and this program does not have it: the deletion and the new
// installer would fail the same way, so nothing was removed or started. Run
// the program elevated.
constexpr int kExitNeedsElevation = 43;
