// Deleting a folder with everything in it.
#pragma once

#include <string>

// Deletes the files and subfolders of `path` at any depth, contents before
// their folder, then `path` itself. Best effort: whatever cannot be deleted
// (a read-only file, and with it every folder above it) stays, and the rest
// goes. A link to a folder, at the top or inside the tree, is removed as a
// link and never followed. Paths are composed without length limits; an entry
// the system cannot reach by path stays. Returns whether `path` itself was
// removed.
bool DeleteFolderTree(const std::string& path);
