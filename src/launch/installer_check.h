// Whether the new installer can start, checked on the very file that will be
// started, which stays held from the check until it is.
#pragma once

#include <string>

#include "files/file_hold.h"

// The full path of the file the system's program search finds for the bare
// file name `name`, in the order that search keeps (the program's own folder
// first); empty when it finds none.
std::string SearchProgram(const std::string& name);

enum class InstallerCheck {
  // A regular file this machine can run, whole as far as its headers tell.
  Startable,
  // Missing, a folder, not a program this machine runs, or cut short.
  CannotStart,
  // This program itself, by identity or by content, or any build of it (a
  // Windows image carrying its marker): starting it would start this program
  // over.
  ThisProgram,
};

// Checks the installer at the full path `path` (empty for none) against this
// program, which lies at `ownPath`, and holds in
// `hold` the folders above it and, when it can be opened, the file itself,
// also when the answer is not Startable.
// The file held is judged through its handle, never opened again by name. A
// program this machine runs: a 32-bit Windows program, or a 64-bit one where
// the processor is 64-bit, as its PE headers tell (natively, the host's own
// format), whatever the layout of the system folders; a PE image must also be
// whole.
InstallerCheck CheckInstaller(const std::string& path,
                              const std::string& ownPath, FileHold& hold);

// Whether the file at `path` is a Windows image that carries the marker of a
// build of this program (another build, or a copy signed or changed after its
// headers). False when it cannot be opened or read, or is no such image.
bool CarriesThisProgramsMarker(const std::string& path);
