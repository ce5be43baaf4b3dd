// Installing the new version: the installer beside the program, found,
// checked and held before anything is removed, then started by the very path
// checked and waited for. The stage chooses the exit code of a run that
// reaches it.
#pragma once

#include <optional>
#include <string>

#include "files/file_hold.h"
#include "launch/installer_check.h"
#include "log/upgrade_log.h"
#include "shared/launch_command.h"
#include "shared/refusal.h"
#include "shared/run_context.h"
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
  // folders and in silent mode its response file until it starts. Starts
  // nothing. Everything the start needs is composed here, so that after the
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

  // Starts the installer and waits for it, then returns the exit code the
  // options ask for: kExitUpgradeRan, or the installer's own. An installer
  // that cannot start (possible only with nothing installed before) is not
  // started: kExitUpgradeRan, or kExitNoInstallerStarted.
  int Run();

 private:
  const UpgradeOptions& options_;
  const UpgradeLog& log_;
  LaunchCommand command_;
  FileHold held_;
  InstallerCheck installer_ = InstallerCheck::CannotStart;
  bool responseIsFile_ = true;
  // Where a silent install writes its result, when the log wants it.
  std::string setupLog_;
};
