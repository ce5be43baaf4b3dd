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

class InstallStage {
 public:
  // Composes the install command for the mode of `run`, finds the installer
  // once (the system's search in interactive mode) so that it is started by
  // that full path with its line unchanged, checks it, and holds it, its
  // folders and in silent mode its response file until it runs. Starts
  // nothing. Everything the install needs is composed here, so that after the
  // removal nothing keeps the installer from starting, not even memory
  // running out.
  InstallStage(const RunContext& run, const UpgradeOptions& options,
               const UpgradeLog& log);
  InstallStage(const InstallStage&) = delete;
  InstallStage& operator=(const InstallStage&) = delete;

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
  // code the options ask for: kExitUpgradeRan, or the installer's own; when
  // that is 0 and the uninstall asked for a restart (`uninstallExitCode`
  // 3010 or 1641), 3010, so that the restart is not lost. An
  // installer that could not be created (possible only with nothing
  // installed before) is not started: kExitUpgradeRan, or
  // kExitNoInstallerStarted. kExitInstallerNotResumed when the previous
  // version was removed and the installer could not be resumed, or the
  // system's loader ended it before it ran (LoaderEndingName); without a
  // previous version that is an installer never started;
  // kExitInstallerEndUnknown when the wait for it failed or, passing on its
  // exit code, that code cannot be read. Passing on its exit code in silent
  // mode, an exit code of 0 with a setup.log written during the run that
  // holds a ResultCode below 0 gives kExitInstallFailed. The setup.log is
  // read once, after the wait for the installer's helpers, when the log or
  // that rule needs it.
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
