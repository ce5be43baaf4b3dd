// The platform calls the program makes, checked one call at a time for the
// results and last-error codes it relies on. The same checks run against
// Windows (under Wine, in both builds) and against the POSIX stand-ins: a
// difference is a stand-in bug, or one of the differences accepted below,
// each with its reason.
#include "platform/win32_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "test_files.h"

namespace {

const std::string kWork = "C:\\upgrade-test\\api";
const DWORD kSentinel = 0xdeadbeef;

// Checks that a call failed with `expected` as the last error, in a message
// that names the call, its input and both results. Set the last error to
// kSentinel before the call.
void ExpectFailure(const char* call, const std::string& input, long long result,
                   DWORD expected) {
  const DWORD error = GetLastError();
  EXPECT_TRUE(result == 0 && error == expected)
      << call << "(" << input << "): ret " << result << ", error " << error
      << "; expected failure with error " << expected;
}

void ExpectSuccess(const char* call, const std::string& input,
                   long long result) {
  EXPECT_NE(result, 0) << call << "(" << input << "): failed with error "
                       << GetLastError();
}

class Win32Api : public test_files::ScratchFolderTest {
 protected:
  Win32Api() : ScratchFolderTest(kWork) {}

  // The names a whole search for `pattern` lists, each with its attributes.
  static std::map<std::string, DWORD> List(const std::string& pattern) {
    std::map<std::string, DWORD> found;
    WIN32_FIND_DATAA data;
    SetLastError(kSentinel);
    const HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
      found[data.cFileName] = data.dwFileAttributes;
    } while (FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES))
        << "FindNextFileA after the last entry of " << pattern;
    FindClose(search);
    return found;
  }

  static std::set<std::string> Names(const std::map<std::string, DWORD>& list) {
    std::set<std::string> names;
    for (const auto& entry : list) names.insert(entry.first);
    return names;
  }
};

TEST_F(Win32Api, FindFirstFileAMatchesWildcardsAndListsDotsForEveryFolder) {
  for (const char* name : {"a1.txt", "a22.txt", "b1.txt", "A3.TXT", "noext"}) {
    test_files::WriteFile(kWork + "\\" + name);
  }
  test_files::MakeFolder(kWork + "\\empty");
  using Set = std::set<std::string>;
  const struct {
    const char* pattern;
    Set names;
  } cases[] = {
      {"\\*",
       {".", "..", "a1.txt", "a22.txt", "b1.txt", "A3.TXT", "noext", "empty"}},
      {"\\*.*",
       {".", "..", "a1.txt", "a22.txt", "b1.txt", "A3.TXT", "noext", "empty"}},
      {"\\a?.txt", {"a1.txt", "A3.TXT"}},
      {"\\*2.*", {"a22.txt"}},
      {"\\empty\\*.*", {".", ".."}},
      {"\\b1.txt", {"b1.txt"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Names(List(kWork + c.pattern)), c.names)
        << "FindFirstFileA(" << kWork + c.pattern << ")";
  }
  WIN32_FIND_DATAA data;
  const std::string missingFolder = kWork + "\\missing\\*.*";
  SetLastError(kSentinel);
  ExpectFailure(
      "FindFirstFileA", missingFolder,
      FindFirstFileA(missingFolder.c_str(), &data) != INVALID_HANDLE_VALUE,
      ERROR_PATH_NOT_FOUND);
  const std::string noMatch = kWork + "\\*.none";
  SetLastError(kSentinel);
  ExpectFailure("FindFirstFileA", noMatch,
                FindFirstFileA(noMatch.c_str(), &data) != INVALID_HANDLE_VALUE,
                ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32Api, AttributesOfFolderReadOnlyFileDotFileAndLink) {
  test_files::MakeFolder(kWork + "\\folder");
  test_files::WriteFile(kWork + "\\locked.txt");
  test_files::MakeReadOnly(kWork + "\\locked.txt");
  test_files::WriteFile(kWork + "\\.profile");
  const bool linked =
      test_files::MakeFolderLink(kWork + "\\folder", kWork + "\\link");
  const std::map<std::string, DWORD> listed = List(kWork + "\\*.*");
  const DWORD kKinds = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                       FILE_ATTRIBUTE_REPARSE_POINT;
  const struct {
    const char* name;
    DWORD bits;
  } cases[] = {
      {"folder", FILE_ATTRIBUTE_DIRECTORY},
      {"locked.txt", FILE_ATTRIBUTE_READONLY},
      {".profile", 0},
      {"link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT}};
  for (const auto& c : cases) {
    if (std::strcmp(c.name, "link") == 0 && !linked) continue;
    const std::string path = kWork + "\\" + c.name;
    ASSERT_EQ(listed.count(c.name), 1u) << "FindFirstFileA lists " << c.name;
    EXPECT_EQ(listed.at(c.name) & kKinds, c.bits)
        << "FindFirstFileA record of " << path;
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & kKinds, c.bits)
        << "GetFileAttributesA(" << path << ")";
  }
  // Wine marks a Unix dot file hidden; Windows and the stand-ins do not hide
  // by name. Either is accepted, and nothing else.
  EXPECT_EQ(
      listed.at(".profile") & ~(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
      0u)
      << "attributes of .profile: " << listed.at(".profile");
  const std::string missing = kWork + "\\missing";
  SetLastError(kSentinel);
  ExpectFailure("GetFileAttributesA", missing,
                GetFileAttributesA(missing.c_str()) != INVALID_FILE_ATTRIBUTES,
                ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32Api, DeleteFileARefusesReadOnlyFilesAndFolders) {
  const std::string locked = kWork + "\\locked.txt";
  test_files::WriteFile(locked);
  test_files::MakeReadOnly(locked);
  test_files::MakeFolder(kWork + "\\folder");
  test_files::WriteFile(kWork + "\\free.txt");
  const struct {
    std::string path;
    DWORD error;
  } refusals[] = {{locked, ERROR_ACCESS_DENIED},
                  {kWork + "\\folder", ERROR_ACCESS_DENIED},
                  {kWork + "\\missing.txt", ERROR_FILE_NOT_FOUND}};
  for (const auto& c : refusals) {
    SetLastError(kSentinel);
    ExpectFailure("DeleteFileA", c.path, DeleteFileA(c.path.c_str()), c.error);
  }
  EXPECT_TRUE(test_files::Exists(locked));
  ExpectSuccess("DeleteFileA", kWork + "\\free.txt",
                DeleteFileA((kWork + "\\free.txt").c_str()));
  EXPECT_FALSE(test_files::Exists(kWork + "\\free.txt"));
}

TEST_F(Win32Api, RemoveDirectoryARefusesAFolderThatIsNotEmpty) {
  test_files::WriteFile(kWork + "\\full\\file.txt");
  test_files::WriteFile(kWork + "\\file.txt");
  test_files::MakeFolder(kWork + "\\empty");
  const struct {
    std::string path;
    DWORD error;
  } refusals[] = {{kWork + "\\full", ERROR_DIR_NOT_EMPTY},
                  {kWork + "\\file.txt", ERROR_DIRECTORY},
                  {kWork + "\\missing", ERROR_FILE_NOT_FOUND}};
  for (const auto& c : refusals) {
    SetLastError(kSentinel);
    ExpectFailure("RemoveDirectoryA", c.path, RemoveDirectoryA(c.path.c_str()),
                  c.error);
  }
  ExpectSuccess("RemoveDirectoryA", kWork + "\\empty",
                RemoveDirectoryA((kWork + "\\empty").c_str()));
}

// The stand-ins keep only the holds of their own process; Windows keeps
// those of every process.
TEST_F(Win32Api, AnItemHeldWithoutDeleteSharingGoesOnlyOnceClosed) {
  test_files::WriteFile(kWork + "\\held.txt");
  test_files::MakeFolder(kWork + "\\held");
  for (const bool folder : {false, true}) {
    const std::string path = kWork + (folder ? "\\held" : "\\held.txt");
    const char* call = folder ? "RemoveDirectoryA" : "DeleteFileA";
    const auto remove = [&] {
      return folder ? RemoveDirectoryA(path.c_str())
                    : DeleteFileA(path.c_str());
    };
    const HANDLE held = CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << path;
    SetLastError(kSentinel);
    ExpectFailure(call, path + " held", remove(), ERROR_SHARING_VIOLATION);
    CloseHandle(held);
    ExpectSuccess(call, path + " closed", remove());
  }
}

TEST_F(Win32Api, CopyFileAFailsIfTheTargetExistsAndCarriesReadOnlyOver) {
  const std::string source = kWork + "\\source.iss";
  const std::string target = kWork + "\\target.iss";
  test_files::WriteFile(source, "[response]");
  test_files::MakeReadOnly(source);
  ExpectSuccess("CopyFileA", source,
                CopyFileA(source.c_str(), target.c_str(), TRUE));
  EXPECT_EQ(test_files::ReadFile(target), "[response]");
  EXPECT_TRUE(test_files::IsReadOnly(target));
  const std::string other = kWork + "\\other.iss";
  test_files::WriteFile(other, "already there");
  SetLastError(kSentinel);
  ExpectFailure("CopyFileA", source + " onto " + other,
                CopyFileA(source.c_str(), other.c_str(), TRUE),
                ERROR_FILE_EXISTS);
  EXPECT_EQ(test_files::ReadFile(other), "already there");
}

TEST_F(Win32Api, SetFileAttributesAChangesTheItemOnly) {
  const std::string folder = kWork + "\\folder";
  test_files::WriteFile(folder + "\\inner.txt");
  test_files::MakeReadOnly(folder + "\\inner.txt");
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY);
  ExpectSuccess("SetFileAttributesA", folder,
                SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(test_files::IsReadOnly(folder + "\\inner.txt"));
}

TEST_F(Win32Api, GetFullPathNameAResolvesDotsAndNamesTheFilePart) {
  const struct {
    const char* name;
    const char* full;
    const char* filePart;
  } cases[] = {{"C:\\a\\.\\b\\..\\c.txt", "C:\\a\\c.txt", "c.txt"},
               {"C:\\a/b\\*.*", "C:\\a\\b\\*.*", "*.*"},
               {"C:\\", "C:\\", nullptr}};
  for (const auto& c : cases) {
    char full[MAX_PATH] = {};
    char* filePart = nullptr;
    const DWORD length = GetFullPathNameA(c.name, MAX_PATH, full, &filePart);
    EXPECT_EQ(length, std::strlen(c.full))
        << "GetFullPathNameA(" << c.name << ")";
    EXPECT_STREQ(full, c.full) << "GetFullPathNameA(" << c.name << ")";
    EXPECT_STREQ(filePart, c.filePart) << "file part of " << c.name;
  }
  char small[4] = {};
  EXPECT_EQ(GetFullPathNameA("C:\\a\\b", sizeof small, small, nullptr), 7u)
      << "GetFullPathNameA with a small buffer asks for the size needed";
}

TEST_F(Win32Api, PathFileExistsAAndPathRemoveFileSpecA) {
  test_files::WriteFile(kWork + "\\file.txt");
  EXPECT_TRUE(PathFileExistsA((kWork + "\\file.txt").c_str()));
  EXPECT_TRUE(PathFileExistsA(kWork.c_str()));
  EXPECT_FALSE(PathFileExistsA((kWork + "\\missing").c_str()));
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {{"D:\\Setup\\up.exe", "D:\\Setup"}, {"D:\\up.exe", "D:\\"}};
  for (const auto& c : cases) {
    char path[MAX_PATH] = {};
    std::strcpy(path, c.path);
    ExpectSuccess("PathRemoveFileSpecA", c.path, PathRemoveFileSpecA(path));
    EXPECT_STREQ(path, c.folder) << "PathRemoveFileSpecA(" << c.path << ")";
  }
}

// The test program starts itself as the child, listing no test, as Wine's
// own process tests do.
TEST_F(Win32Api, CreateProcessAWithAndWithoutAnApplicationName) {
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  const std::string quiet = " --gtest_filter=-*";
  for (const bool named : {true, false}) {
    std::string line = "\"" + std::string(own) + "\"" + quiet;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ExpectSuccess(
        "CreateProcessA", line,
        CreateProcessA(named ? own : nullptr, &line[0], nullptr, nullptr, FALSE,
                       0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), 0u) << line;
    CloseHandle(process.hProcess);
    if (process.hThread != nullptr) CloseHandle(process.hThread);
  }
  std::string missing = kWork + "\\missing.exe";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  SetLastError(kSentinel);
  ExpectFailure("CreateProcessA", missing,
                CreateProcessA(nullptr, &missing[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process),
                ERROR_FILE_NOT_FOUND);
}

// A process started suspended and assigned to a job counts there until it
// has run and ended; an ended process cannot be assigned.
TEST_F(Win32Api, AJobCountsASuspendedProcessUntilItEnds) {
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  std::string line = "\"" + std::string(own) + "\" --gtest_filter=-*";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(own, &line[0], nullptr, nullptr, FALSE,
                             CREATE_SUSPENDED, nullptr, nullptr, &startup,
                             &process));
  const HANDLE job = CreateJobObjectA(nullptr, nullptr);
  ASSERT_NE(job, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  ExpectSuccess("SetInformationJobObject", "breakaway allowed",
                SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                        &limits, sizeof limits));
  ExpectSuccess("AssignProcessToJobObject", line,
                AssignProcessToJobObject(job, process.hProcess));
  const auto active = [job] {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    QueryInformationJobObject(job, JobObjectBasicAccountingInformation,
                              &accounting, sizeof accounting, nullptr);
    return accounting.ActiveProcesses;
  };
  DWORD exitCode = 0;
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &exitCode));
  EXPECT_EQ(exitCode, STILL_ACTIVE) << "exit code while suspended";
  EXPECT_EQ(active(), 1u) << "active processes while suspended";
  EXPECT_EQ(ResumeThread(process.hThread), 1u) << "suspend count before";
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &exitCode));
  EXPECT_EQ(exitCode, 0u) << "exit code once ended";
  EXPECT_EQ(active(), 0u) << "active processes once ended";
  SetLastError(kSentinel);
  ExpectFailure("AssignProcessToJobObject", "an ended process",
                AssignProcessToJobObject(job, process.hProcess),
                ERROR_ACCESS_DENIED);
  CloseHandle(job);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

TEST_F(Win32Api, SearchPathAFindsTheProgramsOwnFolderFirst) {
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  const char* name = std::strrchr(own, '\\') + 1;
  char found[MAX_PATH] = {};
  ExpectSuccess("SearchPathA", name,
                SearchPathA(nullptr, name, nullptr, MAX_PATH, found, nullptr));
  EXPECT_STREQ(found, own);
  SetLastError(kSentinel);
  ExpectFailure("SearchPathA", "no-such-installer.exe",
                SearchPathA(nullptr, "no-such-installer.exe", nullptr, MAX_PATH,
                            found, nullptr),
                ERROR_FILE_NOT_FOUND);
}

// One file under two names (a hard link) has one identity; a copy has its
// own. A read gives the content, then nothing. A folder opens only with
// backup semantics.
TEST_F(Win32Api, GetFileInformationByHandleTellsOneFileFromACopy) {
  const std::string file = kWork + "\\file.bin";
  const std::string linked = kWork + "\\linked.bin";
  const std::string copy = kWork + "\\copy.bin";
  test_files::WriteFile(file, "content");
  std::filesystem::create_hard_link(test_files::Host(file),
                                    test_files::Host(linked));
  ASSERT_TRUE(CopyFileA(file.c_str(), copy.c_str(), TRUE));
  std::map<std::string, BY_HANDLE_FILE_INFORMATION> info;
  for (const std::string& path : {file, linked, copy, kWork}) {
    const HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "CreateFileA(" << path << ")";
    ExpectSuccess("GetFileInformationByHandle", path,
                  GetFileInformationByHandle(handle, &info[path]));
    char read[16] = {};
    DWORD got = 0;
    if (path != kWork) {
      ExpectSuccess("ReadFile", path,
                    ReadFile(handle, read, sizeof read, &got, nullptr));
      EXPECT_EQ(std::string(read, got), "content")
          << "ReadFile(" << path << ")";
      EXPECT_TRUE(ReadFile(handle, read, sizeof read, &got, nullptr) &&
                  got == 0)
          << "ReadFile(" << path << ") at its end";
    }
    CloseHandle(handle);
  }
  const auto index = [&](const std::string& path) {
    const BY_HANDLE_FILE_INFORMATION& i = info[path];
    return std::make_tuple(i.dwVolumeSerialNumber, i.nFileIndexHigh,
                           i.nFileIndexLow);
  };
  EXPECT_EQ(index(file), index(linked));
  EXPECT_NE(index(file), index(copy));
  EXPECT_EQ(info[file].nFileSizeLow, 7u);
  EXPECT_EQ(info[kWork].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  SetLastError(kSentinel);
  ExpectFailure(
      "CreateFileA without backup semantics", kWork,
      CreateFileA(kWork.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE,
      ERROR_ACCESS_DENIED);
}

// The path of an open folder, a link to it resolved: its drive path behind
// "\\?\". A buffer too small gets the size needed: Windows counts the null
// in it, Wine 8 does not.
TEST_F(Win32Api, GetFinalPathNameByHandleANamesWhereALinkLeads) {
  const std::string folder = kWork + "\\Target";
  const std::string link = kWork + "\\link";
  test_files::MakeFolder(folder);
  std::vector<std::string> paths = {folder};
  if (test_files::MakeFolderLink(folder, link)) paths.push_back(link);
  const std::string expected = "\\\\?\\" + folder;
  for (const std::string& path : paths) {
    const HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "CreateFileA(" << path << ")";
    const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    char small[4] = {};
    const DWORD asked =
        GetFinalPathNameByHandleA(handle, small, sizeof small, flags);
    EXPECT_TRUE(asked == expected.size() + 1 || asked == expected.size())
        << "GetFinalPathNameByHandleA(" << path
        << ") with a small buffer: " << asked;
    char full[MAX_PATH] = {};
    EXPECT_EQ(GetFinalPathNameByHandleA(handle, full, MAX_PATH, flags),
              expected.size())
        << "GetFinalPathNameByHandleA(" << path << ")";
    EXPECT_EQ(std::string(full), expected) << "from " << path;
    CloseHandle(handle);
  }
}

// A read-only file marked through its handle goes when the handle closes,
// once the mark is allowed by clearing its attribute through the same handle.
TEST_F(Win32Api, SetFileInformationByHandleDeletesAsTheHandleCloses) {
  const std::string file = kWork + "\\locked.iss";
  test_files::WriteFile(file);
  test_files::MakeReadOnly(file);
  const HANDLE handle = CreateFileA(
      file.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  SetLastError(kSentinel);
  ExpectFailure("SetFileInformationByHandle(FileDispositionInfo)", file,
                SetFileInformationByHandle(handle, FileDispositionInfo,
                                           &disposition, sizeof disposition),
                ERROR_ACCESS_DENIED);
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  ExpectSuccess(
      "SetFileInformationByHandle(FileBasicInfo)", file,
      SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic));
  ExpectSuccess("SetFileInformationByHandle(FileDispositionInfo)", file,
                SetFileInformationByHandle(handle, FileDispositionInfo,
                                           &disposition, sizeof disposition));
  EXPECT_TRUE(test_files::Exists(file)) << "deleted before its handle closed";
  CloseHandle(handle);
  EXPECT_FALSE(test_files::Exists(file));
}

// This test program runs on the processor the system names.
TEST_F(Win32Api, GetNativeSystemInfoNamesAProcessorThatRunsThisProgram) {
  const bool wide = sizeof(void*) == 8;
  SYSTEM_INFO system = {};
  GetNativeSystemInfo(&system);
  const std::set<int> processors64 = {PROCESSOR_ARCHITECTURE_AMD64,
                                      PROCESSOR_ARCHITECTURE_ARM64,
                                      PROCESSOR_ARCHITECTURE_IA64};
  if (wide) {
    EXPECT_EQ(processors64.count(system.wProcessorArchitecture), 1u)
        << "processor " << system.wProcessorArchitecture;
  }
}

TEST_F(Win32Api, WideCharToMultiByteTellsWhenACharacterHasNoNarrowForm) {
  const struct {
    const wchar_t* wide;
    bool usedDefault;
  } cases[] = {{L"C:\\dist\\up.exe", false}, {L"C:\\\x0434\\up.exe", true}};
  for (const auto& c : cases) {
    char narrow[MAX_PATH] = {};
    BOOL usedDefault = FALSE;
    EXPECT_NE(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, c.wide, -1,
                                  narrow, MAX_PATH, nullptr, &usedDefault),
              0);
    EXPECT_EQ(usedDefault != FALSE, c.usedDefault)
        << "WideCharToMultiByte of case " << (&c - cases);
  }
}

}  // namespace
