// Deleting a folder with everything in it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32_api.h"

// Deletes the files and subfolders of `path` at any depth, contents before
// their folder, then `path` itself. Best effort: whatever cannot be deleted
// (a read-only file, and with it every folder above it) stays, and the rest
// goes. A deletion that fails only for a moment is tried again every 100 ms,
// in place, within one budget of 10 s for the whole call: an item held open
// without delete sharing, an item refused although it is not read-only (its
// delete is pending, or its access rights refuse it, which spends the
// budget), and a folder whose entries all went but some of whose deletes are
// still pending. A read-only file is not tried again. Each folder is looked at
// afresh at the moment the walk enters it and, on Windows, held open so that it
// cannot be swapped while its entries go; a folder link, at the top or inside
// the tree, is removed as a link and never followed. An entry whose listed name
// could not be a child's own name (it holds a separator, a colon or a wildcard,
// or is only dots, as the system's best-fit conversion can make of an
// unmappable name, or ends in a dot or a space, which the system trims from a
// path's last part, or is a DOS device's name, which leads to the device)
// stays untouched, and so does its folder. Paths are composed
// without length limits; an entry the system cannot reach by path stays.
// Returns whether `path` itself was removed.
bool DeleteFolderTree(const std::string& path);

// What is left inside a folder: how many entries at any depth, and the paths
// of the first few, relative to the folder.
struct FolderRemains {
  std::size_t count = 0;
  std::vector<std::string> first;
};

// Lists what is left inside `path`, naming at most `most` entries. It enters
// subfolders as the wipe does: only folders of their own, by names that are
// their own, never a link.
FolderRemains ListRemains(const std::string& path, std::size_t most);

// Whether `path` is a folder of its own right now: not a file, and not a
// junction or folder link, whose target may lie anywhere.
bool IsOwnFolder(const std::string& path);

// Resets the attributes of the folder at `path` to normal, only when it is a
// folder of its own: looked at and reset through one handle on the entry
// itself, so that a link put in its place changes nothing. Nothing inside
// changes.
void ResetOwnFolderAttributes(const std::string& path);

// Test seam: `hook` runs with a subfolder's path after the walk listed it as a
// folder and before the walk looks at it afresh to enter it, so that a test
// can swap it for a link at that moment. Returns the hook it replaces; null
// turns it off.
using BeforeEnteringFolderHook = void (*)(const std::string& folder);
BeforeEnteringFolderHook SetBeforeEnteringFolderHookForTesting(
    BeforeEnteringFolderHook hook);

// Test seams for the waits between tries: the sleep hook pauses for the
// milliseconds given, the clock hook tells the time in milliseconds, in place
// of Sleep and GetTickCount. Each returns the hook it replaces; null gives
// the system's back.
using RetrySleepHook = void (*)(DWORD milliseconds);
using RetryClockHook = DWORD (*)();
RetrySleepHook SetRetrySleepHookForTesting(RetrySleepHook hook);
RetryClockHook SetRetryClockHookForTesting(RetryClockHook hook);
