// Deleting a folder with everything in it.
#pragma once

#include <string>

// Deletes the files and subfolders of `path` at any depth, contents before
// their folder, then `path` itself. Best effort: whatever cannot be deleted
// (a read-only file, and with it every folder above it) stays, and the rest
// goes. Each folder is looked at afresh at the moment the walk enters it and,
// on Windows, held open so that it cannot be swapped while its entries go; a
// folder link, at the top or inside the tree, is removed as a link and never
// followed. An entry whose listed name could not be a child's own name (it
// holds a separator, a colon or a wildcard, or is only dots, as the system's
// best-fit conversion can make of an unmappable name) stays untouched, and so
// does its folder. Paths are composed without length limits; an entry the
// system cannot reach by path stays. Returns whether `path` itself was
// removed.
bool DeleteFolderTree(const std::string& path);

// Whether `path` is a folder of its own right now: not a file, and not a
// junction or folder link, whose target may lie anywhere.
bool IsOwnFolder(const std::string& path);

// Test seam: `hook` runs with a subfolder's path after the walk listed it as a
// folder and before the walk looks at it afresh to enter it, so that a test
// can swap it for a link at that moment. Null turns it off. Returns the hook
// it replaces.
using BeforeEnteringFolderHook = void (*)(const std::string&);
BeforeEnteringFolderHook SetBeforeEnteringFolderHookForTesting(
    BeforeEnteringFolderHook hook);
