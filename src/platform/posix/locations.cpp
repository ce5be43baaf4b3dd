// Location and code-page calls on POSIX: the system directory is
// C:\Windows\System32, the program's own path is its host path in drive
// form, and host names are bytes, one byte to one character.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/drive_paths.h"
#include "platform/win32_api.h"

namespace {

const char kSystemDirectory[] = "C:\\Windows\\System32";

// One byte to one character, as in a single-byte Western code page.
UINT activeCodePage = 1252;

// Appends the UTF-8 form of `c`, one of the characters a host name gives.
void AppendUtf8(std::string& text, WCHAR c) {
  const auto code = static_cast<unsigned>(c);
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Hands the program's own path over as the system's path calls do: cut short
// to fit `size` with the size returned and ERROR_INSUFFICIENT_BUFFER set when
// it does not fit, otherwise whole with its length returned. One byte of a
// host name gives one character.
template <typename Char>
DWORD HandOverOwnPath(Char* buffer, DWORD size) {
  if (size == 0) return 0;
  const std::string path = DrivePath(OwnHostPath());
  const std::size_t kept = path.size() < size ? path.size() : size - 1;
  for (std::size_t i = 0; i < kept; ++i) {
    buffer[i] = static_cast<Char>(static_cast<unsigned char>(path[i]));
  }
  buffer[kept] = Char();
  if (kept < path.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  return static_cast<DWORD>(kept);
}

}  // namespace

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  const UINT length = sizeof kSystemDirectory - 1;
  if (size <= length) return length + 1;
  std::memcpy(buffer, kSystemDirectory, length + 1);
  return length;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
  return HandOverOwnPath(buffer, size);
}

// The host's names are bytes, handed over one byte to one character, so
// every path survives the round trip to the narrow form.
DWORD GetModuleFileNameW(HMODULE, LPWSTR buffer, DWORD size) {
  return HandOverOwnPath(buffer, size);
}

// The code page is CP_ACP, the active one, or CP_UTF8. For UTF-8, as Windows
// does, only WC_ERR_INVALID_CHARS is accepted and no default character may be
// asked about; otherwise one byte is one character.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide,
                        int wideLength, LPSTR narrow, int narrowSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  const bool utf8 = (codePage == CP_ACP ? activeCodePage : codePage) == CP_UTF8;
  if (utf8 && (flags & ~WC_ERR_INVALID_CHARS) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (utf8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string converted;
  bool usedDefault = false;
  for (int i = 0; wideLength < 0 ? wide[i] != L'\0' : i < wideLength; ++i) {
    const bool fits = wide[i] >= 0 && wide[i] <= 0xFF;
    usedDefault = usedDefault || !fits;
    if (utf8 && fits) {
      AppendUtf8(converted, wide[i]);
    } else {
      converted += fits ? static_cast<char>(wide[i]) : '?';
    }
  }
  if (wideLength < 0) converted += '\0';
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault;
  if (narrowSize == 0) return static_cast<int>(converted.size());
  if (converted.size() > static_cast<std::size_t>(narrowSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(narrow, converted.data(), converted.size());
  return static_cast<int>(converted.size());
}

BOOL IsDBCSLeadByte(BYTE) { return FALSE; }

UINT GetACP() { return activeCodePage; }

UINT SetActiveCodePageForTesting(UINT codePage) {
  return std::exchange(activeCodePage, codePage);
}

BOOL PathFileExistsA(LPCSTR path) {
  struct stat entry;
  return lstat(HostPath(path).c_str(), &entry) == 0 ? TRUE : FALSE;
}

BOOL PathRemoveFileSpecA(LPSTR path) {
  char* separator = std::strrchr(path, '\\');
  const bool hasDrive = path[0] != '\0' && path[1] == ':';
  char* cut;
  if (separator == nullptr) {
    cut = hasDrive ? path + 2 : path;
  } else if (separator == path || (hasDrive && separator == path + 2)) {
    cut = separator + 1;  // a root keeps its separator
  } else {
    cut = separator;
  }
  if (*cut == '\0') return FALSE;
  *cut = '\0';
  return TRUE;
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart) {
  std::string path = name;
  const bool hasDrive = path.size() >= 2 && path[1] == ':';
  if (!hasDrive) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) {
      path = "Z:" + path;
    } else {
      std::vector<char> here(4096);
      if (getcwd(here.data(), here.size()) == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
      }
      path = DrivePath(here.data()) + "\\" + path;
    }
  }
  // Resolve "." and ".." components and unify the separators.
  std::vector<std::string> parts;
  std::size_t start = 3;
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      const std::string part = path.substr(start, i - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      start = i + 1;
    }
  }
  std::string full = path.substr(0, 2) + "\\";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) full += '\\';
    full += parts[i];
  }
  if (full.size() + 1 > size) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), full.size() + 1);
  if (filePart != nullptr) {
    const std::size_t separator = full.find_last_of("\\/");
    *filePart = separator + 1 < full.size() ? buffer + separator + 1 : nullptr;
  }
  return static_cast<DWORD>(full.size());
}
