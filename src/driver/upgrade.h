// The two choices made once at start that the stages of the upgrade share.
#pragma once

// Which "Program Files" folder the installer engine used for its maintenance
// files: the 32-bit one on 32-bit Windows, "Program Files (x86)" on 64-bit.
enum class InstallLayout { Layout32, Layout64 };

// How the new installer is started: interactively, or silently with the
// install response file.
enum class InstallMode { Interactive, Silent };
