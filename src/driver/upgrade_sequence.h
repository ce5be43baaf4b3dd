// The upgrade, as a recipe: what the program found, the checks before
// anything is changed, the removal stage, the install stage.
#pragma once

#include <optional>

#include "driver/product_lock.h"
#include "log/upgrade_log.h"
#include "shared/exit_codes.h"
#include "shared/upgrade_choices.h"

// Silent for exactly one argument after the program name (a count of 2),
// Interactive for none and for two or more.
InstallMode ModeForArgumentCount(int count);

// The argument count of this process, program name included: split from the
// raw command line where the system hands one over (an empty line stands for
// `ownPath`), otherwise `argc` as the system split it.
int CountProgramArguments(int argc, const std::string& ownPath);

// What the program finds when it starts, on a machine of `layout`, started
// with `argc` as its C runtime counted: its own path and folder, the mode,
// the information folder and whether it is there.
RunContext FindRunContext(InstallLayout layout, int argc);

// Whether the paths the run rests on can be trusted: kExitOwnPathNotExact
// when its own path cannot be read exactly or is not absolute, when a path it
// composes from its own folder for this run would pass the system's path
// limit, or when the information folder has no absolute path (the system
// folder is not an absolute drive path); kExitWouldStartItself when it is
// itself named "data.exe" (in any case).
std::optional<Refusal> CheckPaths(const RunContext& run);

// Runs the whole upgrade once for `run`, found while `lock` was held: when
// another upgrade of the product owns it, nothing is done. When a previous
// installation is
// there, it is removed; then the installer is started for the mode and waited
// for. Everything the install stage needs is composed, and the installer
// found, checked, held and created by the system, not yet run, before
// anything is removed; just before that creation it waits while Windows
// Installer runs another installation (WaitForWindowsInstaller). Each step is
// reported
// to `log`. Returns the exit code: a refusal's (nothing is placed, removed or
// started for one), or the install stage's.
int RunUpgrade(const RunContext& run, const ProductLock& lock,
               const UpgradeOptions& options, const UpgradeLog& log);
