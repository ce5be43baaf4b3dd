// The one header through which the program sees the operating system.
//
// On Windows it is <windows.h> and <shlwapi.h>. Elsewhere it declares the few
// Windows types, constants and calls the program makes; src/platform/posix/
// implements them with the results the program relies on. Paths stay in
// Windows form on both sides: drive C: is a host folder fixed at build time,
// drive Z: the host root.
#pragma once

#ifdef _WIN32

#include <shlwapi.h>
#include <windows.h>

// Older MinGW-w64 headers leave out the code of a start refused for want of
// elevation.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L
#endif

// The command line exactly as the process received it, for the program to
// split by its own rules; Windows hands it over unsplit.
inline const char* RawCommandLine() { return GetCommandLineA(); }

// Windows starts no program but a PE image, which the program judges from its
// headers itself: no file is a program of another kind.
inline BOOL GetHostBinaryType(HANDLE, LPDWORD) { return FALSE; }

// Test seam: the code page of a Windows process is fixed when it starts, so
// this changes nothing and answers 0.
inline UINT SetActiveCodePageForTesting(UINT) { return 0; }

#else  // POSIX stand-ins

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = unsigned char;
using ULONGLONG = std::uint64_t;
using SIZE_T = std::size_t;
using ULONG_PTR = std::uintptr_t;
using WORD = std::uint16_t;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using HANDLE = void*;
using HMODULE = void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using LPBOOL = BOOL*;
using WCHAR = wchar_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LONG = std::int32_t;
using REGSAM = DWORD;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu
#define INVALID_HANDLE_VALUE \
  (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define STD_ERROR_HANDLE (static_cast<DWORD>(-12))
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define CP_ACP 0u
#define CP_UTF8 65001u
#define WC_ERR_INVALID_CHARS 0x00000080u
#define WC_NO_BEST_FIT_CHARS 0x00000400u

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_LIST_DIRECTORY 0x00000001u
#define FILE_READ_ATTRIBUTES 0x00000080u
#define FILE_WRITE_ATTRIBUTES 0x00000100u
#define DELETE 0x00010000u
#define FILE_APPEND_DATA 0x00000004u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000u
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000u
#define FILE_NAME_NORMALIZED 0x0u
#define VOLUME_NAME_DOS 0x0u

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_DEVICE 0x00000040u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_FILE_EXISTS 80u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_BAD_EXE_FORMAT 193u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_DIRECTORY 267u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_ELEVATION_REQUIRED 740u
#define ERROR_INVALID_FLAGS 1004u

#define CREATE_SUSPENDED 0x00000004u
#define STARTF_USESTDHANDLES 0x00000100u
#define STILL_ACTIVE 259u
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_FAILED 0xFFFFFFFFu
#define SYNCHRONIZE 0x00100000u
#define MUTEX_MODIFY_STATE 0x00000001u

#define HKEY_LOCAL_MACHINE \
  (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))
#define KEY_READ 0x00020019u
#define KEY_WRITE 0x00020006u
#define KEY_WOW64_32KEY 0x00000200u
#define REG_OPTION_NON_VOLATILE 0x00000000u

#define JOB_OBJECT_LIMIT_BREAKAWAY_OK 0x00000800u
#define JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE 0x00002000u

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

#define TIME_ZONE_ID_INVALID 0xFFFFFFFFu
#define TIME_ZONE_ID_UNKNOWN 0u
#define TIME_ZONE_ID_STANDARD 1u
#define TIME_ZONE_ID_DAYLIGHT 2u

// Biases in minutes: UTC = local time + Bias (+ StandardBias or DaylightBias,
// whichever part of the year it is).
struct TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];
};

struct SECURITY_ATTRIBUTES;

struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};

enum FILE_INFO_BY_HANDLE_CLASS { FileBasicInfo = 0, FileDispositionInfo = 4 };

// Zero times leave a file's times as they are.
struct FILE_BASIC_INFO {
  std::int64_t CreationTime;
  std::int64_t LastAccessTime;
  std::int64_t LastWriteTime;
  std::int64_t ChangeTime;
  DWORD FileAttributes;
};

struct FILE_DISPOSITION_INFO {
  BYTE DeleteFile;
};

#define SCS_32BIT_BINARY 0u
#define SCS_64BIT_BINARY 6u

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

struct SYSTEM_INFO {
  WORD wProcessorArchitecture;
  WORD wReserved;
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  std::uintptr_t dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

struct LARGE_INTEGER {
  std::int64_t QuadPart;
};

enum JOBOBJECTINFOCLASS {
  JobObjectBasicAccountingInformation = 1,
  JobObjectExtendedLimitInformation = 9,
};

struct JOBOBJECT_BASIC_ACCOUNTING_INFORMATION {
  LARGE_INTEGER TotalUserTime;
  LARGE_INTEGER TotalKernelTime;
  LARGE_INTEGER ThisPeriodTotalUserTime;
  LARGE_INTEGER ThisPeriodTotalKernelTime;
  DWORD TotalPageFaultCount;
  DWORD TotalProcesses;
  DWORD ActiveProcesses;
  DWORD TotalTerminatedProcesses;
};

struct JOBOBJECT_BASIC_LIMIT_INFORMATION {
  LARGE_INTEGER PerProcessUserTimeLimit;
  LARGE_INTEGER PerJobUserTimeLimit;
  DWORD LimitFlags;
  SIZE_T MinimumWorkingSetSize;
  SIZE_T MaximumWorkingSetSize;
  DWORD ActiveProcessLimit;
  ULONG_PTR Affinity;
  DWORD PriorityClass;
  DWORD SchedulingClass;
};

struct IO_COUNTERS {
  ULONGLONG ReadOperationCount;
  ULONGLONG WriteOperationCount;
  ULONGLONG OtherOperationCount;
  ULONGLONG ReadTransferCount;
  ULONGLONG WriteTransferCount;
  ULONGLONG OtherTransferCount;
};

struct JOBOBJECT_EXTENDED_LIMIT_INFORMATION {
  JOBOBJECT_BASIC_LIMIT_INFORMATION BasicLimitInformation;
  IO_COUNTERS IoInfo;
  SIZE_T ProcessMemoryLimit;
  SIZE_T JobMemoryLimit;
  SIZE_T PeakProcessMemoryUsed;
  SIZE_T PeakJobMemoryUsed;
};

// Locations.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide,
                        int wideLength, LPSTR narrow, int narrowSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);
DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD size,
                  LPSTR buffer, LPSTR* filePart);
BOOL PathFileExistsA(LPCSTR path);
BOOL PathRemoveFileSpecA(LPSTR path);
DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart);

// Processes.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD ResumeThread(HANDLE thread);
BOOL CloseHandle(HANDLE handle);
HANDLE GetStdHandle(DWORD which);
BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
               void* overlapped);
[[noreturn]] void ExitProcess(UINT exitCode);
BOOL IsDBCSLeadByte(BYTE byte);
UINT GetACP();

// Environment and clock.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);
void GetLocalTime(SYSTEMTIME* time);
// The host's zone for the moment of the call: its standard bias, and the
// daylight part when daylight time is in force; the names are left empty.
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone);
DWORD GetCurrentProcessId();
void Sleep(DWORD milliseconds);
DWORD GetTickCount();

// Named mutexes, one owner at a time across processes. A POSIX stand-in
// holds a lock on a file named for the mutex in drive C:'s folder, which the
// system lets go when its holder ends, and which no child inherits; a wait
// with a bound looks again every 10 ms. A mutex exists while its file does.
HANDLE CreateMutexA(SECURITY_ATTRIBUTES* security, BOOL initialOwner,
                    LPCSTR name);
HANDLE OpenMutexA(DWORD access, BOOL inheritHandle, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);

// Jobs: a group of processes, with everything its members start.
HANDLE CreateJobObjectA(SECURITY_ATTRIBUTES* security, LPCSTR name);
BOOL SetInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS infoClass,
                             LPVOID info, DWORD size);
BOOL AssignProcessToJobObject(HANDLE job, HANDLE process);
BOOL QueryInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS infoClass,
                               LPVOID info, DWORD size, LPDWORD returned);
BOOL TerminateJobObject(HANDLE job, UINT exitCode);

// The registry, as far as keys go: whether one is there, and, for the tests,
// making and deleting one. A POSIX stand-in keeps the keys of
// HKEY_LOCAL_MACHINE as folders under drive C:'s host folder
// (".registry/HKEY_LOCAL_MACHINE/SOFTWARE/..."), names compared as spelled,
// in one view, as 32-bit Windows has: KEY_WOW64_32KEY changes nothing. Each
// returns ERROR_SUCCESS or the system's error.
LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access,
                   PHKEY result);
LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR keyClass,
                     DWORD options, REGSAM access,
                     SECURITY_ATTRIBUTES* security, PHKEY result,
                     LPDWORD disposition);
LONG RegDeleteKeyExA(HKEY root, LPCSTR subKey, REGSAM access, DWORD reserved);
LONG RegCloseKey(HKEY key);

// Files and folders.
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode,
                   SECURITY_ATTRIBUTES* security, DWORD creation, DWORD flags,
                   HANDLE templateFile);
DWORD GetFileAttributesA(LPCSTR path);
BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists);
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
BOOL DeleteFileA(LPCSTR path);
BOOL RemoveDirectoryA(LPCSTR path);
BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES* security);
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);
DWORD GetLastError();
void SetLastError(DWORD error);

// Files held open: what they are, their content, their deletion.
BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info);
BOOL SetFileInformationByHandle(HANDLE file,
                                FILE_INFO_BY_HANDLE_CLASS infoClass,
                                LPVOID info, DWORD size);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read,
              void* overlapped);
#define FILE_BEGIN 0u
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance,
                      LARGE_INTEGER* position, DWORD method);
// The path the open file has now, links resolved, as "\\?\C:\...".
DWORD GetFinalPathNameByHandleA(HANDLE file, LPSTR buffer, DWORD size,
                                DWORD flags);

// Programs: what kind the file open on `file` is when it is a program of the
// host's own format (not a PE image), and what processor this machine has.
BOOL GetHostBinaryType(HANDLE file, LPDWORD type);
void GetNativeSystemInfo(SYSTEM_INFO* info);

// The command line exactly as the process received it, or null where the
// system hands the arguments over already split, as POSIX kernels do.
inline const char* RawCommandLine() { return nullptr; }

// Test seam: makes GetACP answer `codePage` (1252 at start, or CP_UTF8, the
// system-wide UTF-8 option) and returns the code page it replaces.
UINT SetActiveCodePageForTesting(UINT codePage);

#endif
