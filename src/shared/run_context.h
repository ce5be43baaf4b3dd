// What the program found when it started, found once and handed to every
// stage, so that no stage reads it again and all see the same answers.
#pragma once

#include <string>

#include "shared/upgrade_choices.h"

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
