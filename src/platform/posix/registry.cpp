// Registry keys as folders: HKEY_LOCAL_MACHINE\A\B is the folder
// ".registry/HKEY_LOCAL_MACHINE/A/B" in drive C:'s host folder, so that a
// drive the tests make holds its own registry and goes with it. Keys hold no
// values here: the program only asks whether one is there.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/posix/drive_paths.h"
#include "platform/posix/last_error.h"
#include "platform/win32_api.h"

struct HKEY__ {
  std::string hostPath;
};

namespace {

// The host folder of `subKey` under `root`; false for a root other than
// HKEY_LOCAL_MACHINE, or a name that would lead out of it.
bool KeyFolder(HKEY root, LPCSTR subKey, std::string& folder) {
  if (root != HKEY_LOCAL_MACHINE || subKey == nullptr) return false;
  folder = HostPath("C:\\") + "/.registry/HKEY_LOCAL_MACHINE";
  std::string part;
  const std::string name = subKey;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && name[i] != '\\') {
      if (name[i] == '/') return false;
      part += name[i];
      continue;
    }
    if (part == "." || part == "..") return false;
    if (!part.empty()) folder += "/" + part;
    part.clear();
  }
  return true;
}

LONG ErrorOf(int error) {
  SetErrorFromErrno(error);
  return static_cast<LONG>(GetLastError());
}

}  // namespace

LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  std::string folder;
  if (!KeyFolder(root, subKey, folder)) return ERROR_INVALID_HANDLE;
  struct stat entry;
  if (stat(folder.c_str(), &entry) != 0) {
    return errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : ErrorOf(errno);
  }
  if (!S_ISDIR(entry.st_mode)) return ERROR_FILE_NOT_FOUND;
  *result = new HKEY__{folder};
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM,
                     SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD) {
  std::string folder;
  if (!KeyFolder(root, subKey, folder)) return ERROR_INVALID_HANDLE;
  std::string made;
  for (std::size_t at = 0; at != std::string::npos;) {
    at = folder.find('/', at + 1);
    made = folder.substr(0, at);
    if (mkdir(made.c_str(), 0755) != 0 && errno != EEXIST) {
      return ErrorOf(errno);
    }
  }
  *result = new HKEY__{folder};
  return ERROR_SUCCESS;
}

LONG RegDeleteKeyExA(HKEY root, LPCSTR subKey, REGSAM, DWORD) {
  std::string folder;
  if (!KeyFolder(root, subKey, folder)) return ERROR_INVALID_HANDLE;
  if (rmdir(folder.c_str()) == 0) return ERROR_SUCCESS;
  // Windows refuses to delete a key that has subkeys.
  return errno == ENOTEMPTY ? ERROR_ACCESS_DENIED : ErrorOf(errno);
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}
