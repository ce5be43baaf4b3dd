// The installer engine's files and switches, as the program names them: the
// new version's installer and its response file beside the program, the
// engine's maintenance program and the uninstall response file in the
// information folder, and the file where the engine writes a silent result;
// and the one way the engine's programs are started with a response file.
#pragma once

#include <string>

#include "shared/launch_command.h"

// The new version's installer, beside the program.
inline constexpr char kInstaller[] = "data.exe";
// The install response file, beside the program.
inline constexpr char kInstallResponse[] = "setup.iss";
// The engine's maintenance program, in the information folder.
inline constexpr char kMaintenanceProgram[] = "setup.exe";
// The uninstall response file, beside the program and placed from there into
// the information folder.
inline constexpr char kUninstallResponse[] = "uninstall.iss";
// Where the engine writes a silent run's result: beside the response file.
inline constexpr char kSetupLog[] = "setup.log";

// The switches of a silent install and of a silent uninstall; the quoted
// path of the response file follows each without a blank.
inline constexpr char kSilentInstallSwitches[] = " -s -f1";
inline constexpr char kSilentUninstallSwitches[] = " -s -uninst -f1";

// The command that starts `program` lying in `folder` by its full path, with
// `switches` and, right after them, the quoted path of `responseFile` in the
// same folder: F\program<switches>"F\responseFile". The program path stays
// unquoted, as the programs started this way expect. The separator is added
// even after a drive root's own.
inline LaunchCommand ResponseFileCommand(const std::string& folder,
                                         const char* program,
                                         const char* switches,
                                         const char* responseFile) {
  LaunchCommand command;
  command.program = folder + "\\" + program;
  command.line =
      command.program + switches + "\"" + folder + "\\" + responseFile + "\"";
  return command;
}
