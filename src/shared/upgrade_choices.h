// The choices that shape a run: the two made once at start (the machine's
// layout and the install mode) and those a release engineer made when the
// program was built.
#pragma once

#include <string>

// Which "Program Files" folder the installer engine used for its maintenance
// files: the 32-bit one on 32-bit Windows, "Program Files (x86)" on 64-bit.
enum class InstallLayout { Layout32, Layout64 };

// How the new installer is started: interactively, or silently with the
// install response file.
enum class InstallMode { Interactive, Silent };

// What the program tells its caller through its exit code once the installer
// ran: Classic, 0 whatever the installer did; Installer, the installer's own
// exit code.
enum class ExitCodeChoice { Classic, Installer };

// What follows an uninstall whose setup.log, written during the run, holds a
// ResultCode below 0: Wipe, the information folder is deleted and the
// installer started all the same; Keep, nothing more is deleted or started.
enum class FailedUninstallChoice { Wipe, Keep };

// How each line of the log reads: Plain, the local time, the process id and
// the text; CMTrace, one record of the form the log viewers of deployment
// tools (CMTrace, OneTrace) read, with a severity.
enum class LogFormat { Plain, CMTrace };

// The options a release engineer chose when the program was built; main.cpp
// fixes them, so the program reads no setting.
struct UpgradeOptions {
  // How long to wait, after the uninstaller itself has ended, for the
  // processes it started; 0 waits for the uninstaller alone.
  unsigned helpersWaitSeconds;
  ExitCodeChoice exitCode;
  // Where to append the log, with %NAME% references; empty for no log.
  const char* logPath;
  FailedUninstallChoice afterFailedUninstall;
  // How long the uninstaller itself may run before it is ended with every
  // process it started; 0 waits for it without a bound.
  unsigned uninstallWaitSeconds = 0;
  // How long to wait for Windows Installer to finish another installation
  // before anything is changed; 0 does not look.
  unsigned msiWaitSeconds = 0;
};

// What the program found when it started, found once and handed to every
// stage, so that no stage reads it again and all see the same answers.
struct RunContext {
  // The program's own full path, empty when it cannot be read exactly; its
  // folder, which holds its companion files (empty with it); and the number
  // of arguments it was started with, its name included.
  std::string ownPath;
  std::string moduleFolder;
  int argumentCount = 1;
  InstallMode mode = InstallMode::Interactive;
  InstallLayout layout = InstallLayout::Layout32;
  // The installer engine's information folder for this product, and whether
  // anything was there when the program started: a previous installation.
  std::string infoFolder;
  bool previousInstall = false;
};
