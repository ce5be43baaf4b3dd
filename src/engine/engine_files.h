// The installer engine's files and switches, as the program names them: the
// new version's installer and its response file beside the program, the
// engine's maintenance program and the uninstall response file in the
// information folder, and the file where the engine writes a silent result.
#pragma once

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
