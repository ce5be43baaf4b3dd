#include "files/folder_tree.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "files/file_find.h"
#include "files/open_entry.h"
#include "platform/owned_handle.h"
#include "platform/win32_api.h"

namespace {

const DWORD kRetryBudgetMs = 10000;
const DWORD kRetryPauseMs = 100;

BeforeEnteringFolderHook beforeEnteringFolder = nullptr;
RetrySleepHook retrySleep = nullptr;
RetryClockHook retryClock = nullptr;

// What is left of the time one wipe may spend waiting for held items.
struct RetryBudget {
  DWORD leftMs = kRetryBudgetMs;
};

void Pause(DWORD milliseconds) {
  if (retrySleep != nullptr) {
    retrySleep(milliseconds);
  } else {
    Sleep(milliseconds);
  }
}

DWORD Now() { return retryClock != nullptr ? retryClock() : GetTickCount(); }

// Whether the failure `error` to delete the item at `path` may pass by
// itself: something holds the item for a moment, its delete is pending (then
// its attributes may no longer be read), or, for a folder whose entries all
// went, deletes inside it are pending. A read-only item is refused for good.
bool MayPass(DWORD error, const std::string& path, bool folder, bool emptied) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
      return true;
    case ERROR_DIR_NOT_EMPTY:
      return folder && emptied;
    case ERROR_ACCESS_DENIED: {
      const DWORD attributes = GetFileAttributesA(path.c_str());
      const DWORD refused =
          FILE_ATTRIBUTE_READONLY | (folder ? 0 : FILE_ATTRIBUTE_DIRECTORY);
      return attributes == INVALID_FILE_ATTRIBUTES ||
             (attributes & refused) == 0;
    }
    default:
      return false;
  }
}

// Deletes the file, or removes the folder, at `path`, and tries again every
// 100 ms while the failure may pass and the budget lasts. `emptied` tells
// that every entry of the folder went. Returns ERROR_SUCCESS or the error of
// the last try.
DWORD DeleteWhileHeld(const std::string& path, bool folder, bool emptied,
                      RetryBudget& budget) {
  const auto attempt = [&] {
    const BOOL done =
        folder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str());
    return done ? static_cast<DWORD>(ERROR_SUCCESS) : GetLastError();
  };
  DWORD error = attempt();
  if (error == ERROR_SUCCESS) return error;
  const DWORD start = Now();
  DWORD waited = 0;
  while (MayPass(error, path, folder, emptied) &&
         (waited = Now() - start) < budget.leftMs) {
    Pause(std::min(kRetryPauseMs, budget.leftMs - waited));
    error = attempt();
    if (error == ERROR_SUCCESS) break;
  }
  budget.leftMs -= std::min(Now() - start, budget.leftMs);
  return error;
}

bool IsGone(DWORD error) {
  return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ||
         error == ERROR_PATH_NOT_FOUND;
}

DWORD DeleteTree(const std::string& path, RetryBudget& budget);

// Whether `name` is one the system takes for a device wherever it stands in a
// path ("CON", "nul.txt", "LPT1 .log"): its part before the first dot, less
// trailing spaces, is a DOS device's name. A path ending in it leads to the
// device, never to the entry listed.
bool NamesADevice(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  for (char& c : base)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON",    "PRN",     "AUX",   "NUL",
                                         "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : kDevices) {
    if (base == device) return true;
  }
  if (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)
    return false;
  // A port's number: a digit, or a superscript 1, 2 or 3 as the code page
  // spells it (0xB9, 0xB2, 0xB3 in 1252).
  const std::string number = base.substr(3);
  if (number.size() == 1 && number[0] >= '0' && number[0] <= '9') return true;
  for (const WCHAR superscript : {L'\u00B9', L'\u00B2', L'\u00B3'}) {
    char narrow[4] = {};
    const int length = WideCharToMultiByte(CP_ACP, 0, &superscript, 1, narrow,
                                           sizeof narrow, nullptr, nullptr);
    if (length > 0 && number == std::string(narrow, length)) return true;
  }
  return false;
}

// Whether `name`, as the search listed it, names a child of the folder
// searched and nothing else. The narrow search converts a name the code page
// cannot hold with best fit, so a full-width "．．＼x" comes back as "..\x",
// which composed onto the folder would name a path outside it. A name that
// ends in a dot or a space ("..", ".. ", "x.") is not composed either: the
// system trims those from the last part of a path only, so "F\.. " is looked
// at as "F\.." yet searched as "F\.. \*.*", through whatever ".. " is. A
// lead byte and the byte after it are one character: under a double-byte code
// page a second byte 0x5C is part of a character, not a separator.
bool IsOwnChildName(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  if (NamesADevice(name)) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      ++i;
    } else if (std::strchr("\\/:*?\"<>|", c) != nullptr) {
      return false;
    }
  }
  return true;
}

// Deletes the entries of the folder `path`. Returns whether every one went.
bool DeleteEntries(const std::string& path, RetryBudget& budget) {
  CFileFind finder;
  if (!finder.FindFile((path + "\\*.*").c_str())) return false;
  bool allGone = true;
  bool more;
  do {
    more = finder.FindNextFile();
    if (finder.IsDots()) continue;
    const std::string name = finder.GetFileName();
    if (!IsOwnChildName(name)) {
      allGone = false;
      continue;
    }
    const std::string entry = path + "\\" + name;
    DWORD error;
    if (finder.IsDirectory()) {
      if (beforeEnteringFolder != nullptr) beforeEnteringFolder(entry);
      error = DeleteTree(entry, budget);
    } else {
      error = DeleteWhileHeld(entry, false, false, budget);
    }
    allGone = allGone && IsGone(error);
  } while (more);
  return allGone;
}

// Returns ERROR_SUCCESS when `path` itself was removed, otherwise the error of
// its removal.
DWORD DeleteTree(const std::string& path, RetryBudget& budget) {
  // Held open without delete sharing, a folder cannot be renamed or replaced
  // by a link while its entries go; a link is opened as itself. The look at
  // its attributes comes after, so it sees what is held.
  bool emptied = false;
  {
    const OwnedHandle held(CreateFileA(
        path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (held.valid() && IsOwnFolder(path))
      emptied = DeleteEntries(path, budget);
  }
  // Removes an emptied folder, or a link as a link.
  return DeleteWhileHeld(path, true, emptied, budget);
}

void ListEntries(const std::string& path, const std::string& relative,
                 std::size_t most, FolderRemains& remains) {
  CFileFind finder;
  if (!finder.FindFile((path + "\\*.*").c_str())) return;
  bool more;
  do {
    more = finder.FindNextFile();
    if (finder.IsDots()) continue;
    const std::string name = finder.GetFileName();
    ++remains.count;
    if (remains.first.size() < most) remains.first.push_back(relative + name);
    const std::string entry = path + "\\" + name;
    if (finder.IsDirectory() && IsOwnChildName(name) && IsOwnFolder(entry)) {
      ListEntries(entry, relative + name + "\\", most, remains);
    }
  } while (more);
}

}  // namespace

FolderRemains ListRemains(const std::string& path, std::size_t most) {
  FolderRemains remains;
  if (IsOwnFolder(path)) ListEntries(path, "", most, remains);
  return remains;
}

bool DeleteFolderTree(const std::string& path) {
  RetryBudget budget;
  return DeleteTree(path, budget) == ERROR_SUCCESS;
}

bool IsOwnFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

void ResetOwnFolderAttributes(const std::string& path) {
  const OwnedHandle folder =
      OpenEntry(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info;
  if (!DescribeOpenEntry(folder.get(), info) || !IsFolderNotLink(info)) return;
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(folder.get(), FileBasicInfo, &basic, sizeof basic);
}

BeforeEnteringFolderHook SetBeforeEnteringFolderHookForTesting(
    BeforeEnteringFolderHook hook) {
  return std::exchange(beforeEnteringFolder, hook);
}

RetrySleepHook SetRetrySleepHookForTesting(RetrySleepHook hook) {
  return std::exchange(retrySleep, hook);
}

RetryClockHook SetRetryClockHookForTesting(RetryClockHook hook) {
  return std::exchange(retryClock, hook);
}
