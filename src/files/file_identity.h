// What a file is, told by the system's identity of it rather than by the text
// of a path: a link, a junction, a hard link, a short name and another case
// of the same letters all lead to one identity.
#pragma once

#include <optional>
#include <string>

#include "platform/win32_api.h"

// A file's identity: the serial number of its volume and its index on it;
// natively the device and inode.
struct FileIdentity {
  DWORD volume;
  DWORD indexHigh;
  DWORD indexLow;
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && indexHigh == other.indexHigh &&
           indexLow == other.indexLow;
  }
};

// The identity of the entry at `path` itself, a link as a link; none when it
// cannot be opened.
std::optional<FileIdentity> EntryIdentity(const std::string& path);

// The identity of the file at `path` itself, its read-only attribute cleared
// through the same handle; none when it cannot be opened, is a folder or a
// link, or has another name (a hard link, perhaps to a file elsewhere), which
// is then left as it is.
std::optional<FileIdentity> IdentityClearingReadOnly(const std::string& path);

// Deletes the entry at `path`, its read-only attribute cleared first, only
// while it is still the file `identity` names: both are done through one
// handle on that entry, so a path that has come to lead elsewhere changes
// nothing. The file goes as the handle closes. Returns whether it was marked
// for deletion.
bool DeleteIfStillTheFile(const std::string& path,
                          const FileIdentity& identity);

// Whether the file at `path` is this program's own file, which lies at
// `ownPath`: a file of the same content, byte for byte, as a hard link, a
// link to it or a copy is. When the content of either cannot be read, only
// the same identity with a file index other than 0 makes it this program.
// Only a file of the same size is read. False for a folder and for a path
// that leads to nothing; true when the file is there but cannot be opened or
// described, so that the caller refuses rather than starts it.
bool IsThisProgram(const std::string& path, const std::string& ownPath);

// The same for the file open for reading on `file`, judged through that
// handle alone (its content read from where the handle stands); true when it
// cannot be described.
bool IsThisProgram(HANDLE file, const std::string& ownPath);

// Whether `folder` is the folder `outer` or lies inside it: the identity of
// `outer` against that of `folder` and of each folder above it, up to its
// root, both along the path as given and along the path the system resolves
// `folder` to (which differs where a link or a junction lies on the way).
// Where `folder` cannot be resolved, a folder on another volume than `outer`
// is not inside it. True also when `outer` or `folder` cannot be opened, or
// `folder` cannot be resolved on the volume of `outer`, so that the caller
// refuses rather than risks its own folder.
bool FolderIsOrLiesWithin(const std::string& folder, const std::string& outer);
