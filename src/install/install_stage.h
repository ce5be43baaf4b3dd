// Installing the new version: the installer beside the program, found,
// checked and held, then created by the system but not yet run, all before
// anything is removed; resumed after the removal, and waited for with what it
// starts. The stage chooses the exit code of a run that reaches it.
#pragma once

#include <optional>
#include <string>

#include "files/file_hold.h"
#include "launch/installer_check.h"
#include "launch/process_runner.h"
#include "log/upgrade_log.h"
#include "shared/exit_codes.h"
#include "shared/launch_command.h"
#include "shared/upgrade_choices.h"

// The command that starts the new installer. Interactive: the bare name
// "data.exe", found by the system's program search. Silent: the installer in
// `moduleFolder` with the install response file beside it, started by its
// full path: D:\Setup\data.exe -s -f1"D:\Setup\setup.iss".
LaunchCommand BuildInstallCommand(InstallMode mode,
                                  const std::string& moduleFolder);

// The exit code of a run that reached the install stage, as `choice` asks:
// kExitUpgradeRan, or the installer's own, 3010 for its 0 after an uninstall
// that ended with 3010 or 1641 (`uninstallExitCode`), and kExitInstallFailed
// for its 0 with a failure in the setup.log written (`setupLogFailure`).
// `ran` is none when no installer could be created: kExitUpgradeRan or
// kExitNoInstallerStarted, as for one that could not be resumed with nothing
// installed before; resumed after the removal (`previousInstall`), that is
// kExitInstallerNotResumed. kExitInstallerNotResumed too, in both builds and
// whatever was installed before, when the system's loader ended it before it
// ran (LoaderEndingName). kExitInstallerEndUnknown when the wait failed or,
// passing on its exit code, that code could not be read.
int InstallExitCode(ExitCodeChoice choice, const std::optional<ProgramRun>& ran,
                    bool previousInstall, bool setupLogFailure,
                    std::optional<DWORD> uninstallExitCode);

class InstallStage {
 public:
  // Composes the install command for the mode of `run`, and everything else
  // the install needs, so that after the removal nothing keeps the installer
  // from starting, not even memory running out. Looks at nothing.
  InstallStage(const RunContext& run, const UpgradeOptions& options,
               const UpgradeLog& log);
  InstallStage(const InstallStage&) = delete;
  InstallStage& operator=(const InstallStage&) = delete;

  // Finds the installer once (the system's search in interactive mode), so
  // that it is started by that full path with its line unchanged, checks it,
  // and holds it, its folders and in silent mode its response file until it
  // runs. Starts nothing.
  void FindAndHoldInstaller();

  // kExitWouldStartItself when the installer is this program, or cannot be
  // told from it.
  std::optional<Refusal> CheckNotThisProgram() const;

  // For a run that will remove the previous version: kExitInstallerCannotStart
  // when the installer cannot start, or in silent mode its response file is
  // not a file of its own.
  std::optional<Refusal> CheckStartable() const;

  // Asks the system's loader: creates the installer's process suspended.
  // When the system refuses and a previous version is there, the refusal:
  // kExitNeedsElevation for want of elevation, otherwise
  // kExitInstallerCannotStart. Without one, a refusal only means that Run
  // starts nothing. A process created and never run is ended when the stage
  // goes.
  std::optional<Refusal> CreateInstaller();

  // Resumes the installer created, releases what was held, and waits for it
  // and for what it starts, within the helpers' bound; then returns the exit
  // code InstallExitCode chooses. An installer that could not be created is
  // not started. The setup.log is read once, after the wait for the
  // installer's helpers, when the log or the exit code needs it.
  int Run(std::optional<DWORD> uninstallExitCode);

 private:
  const RunContext& run_;
  const UpgradeOptions& options_;
  const UpgradeLog& log_;
  LaunchCommand command_;
  FileHold held_;
  InstallerCheck installer_ = InstallerCheck::CannotStart;
  bool responseIsFile_ = true;
  // Where a silent install writes its result, when the log or the exit code
  // wants it.
  std::string setupLog_;
  // The installer's process, once the system was asked to create it.
  std::optional<StartedProgram> process_;
};
