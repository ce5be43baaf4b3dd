// Opening an entry of the file system, telling what kind of entry it is, and
// reading it. Each caller asks the kind question its use needs, by one of the
// names below, so that each rule is written once.
#pragma once

#include <string>
#include <vector>

#include "platform/owned_handle.h"
#include "platform/win32_api.h"

// Opens the file or folder at `path` for `access`, sharing everything with
// other openers, with FILE_FLAG_BACKUP_SEMANTICS (so that a folder opens too)
// and `flags` (FILE_FLAG_OPEN_REPARSE_POINT opens a link as itself). Nothing
// is held when it cannot be opened; GetLastError() then tells why.
OwnedHandle OpenEntry(const std::string& path, DWORD access, DWORD flags);

// Reads from `file` until `block` is full or the file ends, and sets `filled`
// to the bytes read; false when a read fails.
bool ReadBlock(HANDLE file, std::vector<unsigned char>& block, DWORD& filled);

// What the system tells of the entry open on `handle`; false when the handle
// is not valid or the system says nothing.
bool DescribeOpenEntry(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info);

// Not a folder: a program to start may be anything else the system opens.
bool IsNotFolder(const BY_HANDLE_FILE_INFORMATION& info);

// A file that is itself, not a folder and not a link (opened as itself) to
// somewhere else: what is read may be trusted to lie where it was looked for.
bool IsFileNotLink(const BY_HANDLE_FILE_INFORMATION& info);

// A folder that is itself, not a link or junction to somewhere else.
bool IsFolderNotLink(const BY_HANDLE_FILE_INFORMATION& info);

// A file that is itself and has no other name: what is written through one
// name cannot appear under another.
bool IsSingleNamedFile(const BY_HANDLE_FILE_INFORMATION& info);

// A file of its own: not a folder, a link or a device.
bool IsPlainFile(const BY_HANDLE_FILE_INFORMATION& info);
