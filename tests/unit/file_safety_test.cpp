// The checks that keep the program from starting itself or removing its own
// folder, and the holds that keep a checked file from being swapped before it
// starts. Where only Windows keeps share modes between handles, that part runs
// under Wine alone; the POSIX stand-ins keep only this process's deletes off.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/file_hold.h"
#include "files/file_identity.h"
#include "files/path_parts.h"
#include "files/program_location.h"
#include "launch/installer_check.h"
#include "platform/win32_api.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

const std::string kWork = "C:\\upgrade-test\\safety";
const DWORD kSharingViolation = ERROR_SHARING_VIOLATION;

bool SharesModes() { return std::string(TEST_DRIVE_C_HOST).empty(); }

// Whether the system refuses to rename `from`, as it must while it is held.
bool RenameRefused(const std::string& from) {
  std::error_code error;
  fs::rename(test_files::Host(from), test_files::Host(from + "-moved"), error);
  return static_cast<bool>(error);
}

class FileSafety : public test_files::ScratchFolderTest {
 protected:
  FileSafety() : ScratchFolderTest(kWork) {}

  // A copy of this test program at `path`, its last byte changed if asked.
  static void CopyOwnProgram(const std::string& path, bool changed = false) {
    ASSERT_TRUE(CopyFileA(OwnProgramPath().c_str(), path.c_str(), FALSE));
    if (!changed) return;
    std::fstream file(test_files::Host(path),
                      std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(-1, std::ios::end);
    const int last = file.get();
    file.seekp(-1, std::ios::end);
    file.put(static_cast<char>(last ^ 1));
  }
};

// The hard link lies beside the program, on its volume; Windows deletes no
// name of a running program, so it stays until the program is built anew.
TEST_F(FileSafety, IsThisProgramByIdentityOrByContent) {
  const std::string link = FolderOf(OwnProgramPath()) + "\\own-hard-link.exe";
  const std::string copy = kWork + "\\copy.exe";
  const std::string changed = kWork + "\\changed.exe";
  DeleteFileA(link.c_str());
  std::error_code error;
  fs::create_hard_link(test_files::Host(OwnProgramPath()),
                       test_files::Host(link), error);
  const auto own = EntryIdentity(OwnProgramPath());
  ASSERT_TRUE(own && EntryIdentity(link) == own) << error.message();
  CopyOwnProgram(copy);
  CopyOwnProgram(changed, true);
  EXPECT_TRUE(IsThisProgram(link, OwnProgramPath()));
  EXPECT_TRUE(IsThisProgram(copy, OwnProgramPath()));
  EXPECT_FALSE(IsThisProgram(changed, OwnProgramPath()))
      << "same size, one byte differs";
  EXPECT_FALSE(IsThisProgram(kWork + "\\missing.exe", OwnProgramPath()));
  EXPECT_FALSE(IsThisProgram(kWork, OwnProgramPath()));
  DeleteFileA(link.c_str());
  // Content that cannot be read (under Windows: held without read sharing)
  // leaves the identity: a second name of the file is this program, a file
  // of its size with another byte is not. A file that cannot even be opened
  // counts as this program: natively a link that leads to itself.
  if (SharesModes()) {
    const std::string first = kWork + "\\first.exe";
    const std::string second = kWork + "\\second.exe";
    const std::string other = kWork + "\\other.exe";
    test_files::WriteFile(first, "program");
    test_files::WriteFile(other, "progran");
    fs::create_hard_link(test_files::Host(first), test_files::Host(second));
    const HANDLE held = CreateFileA(first.c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsThisProgram(second, first));
    EXPECT_FALSE(IsThisProgram(other, first));
    CloseHandle(held);
  } else {
    const std::string unreadable = kWork + "\\unreadable.exe";
    fs::create_symlink(test_files::Host(unreadable),
                       test_files::Host(unreadable), error);
    EXPECT_TRUE(IsThisProgram(unreadable, OwnProgramPath()));
  }
}

// The placed response file loses its read-only bit, but a file with a second
// name, which may lie outside the folder, keeps it.
TEST_F(FileSafety, ClearsReadOnlyOnlyOfAFileWithOneName) {
  const std::string single = kWork + "\\single.iss";
  const std::string linked = kWork + "\\linked.iss";
  test_files::WriteFile(single);
  test_files::WriteFile(kWork + "\\outside.iss");
  fs::create_hard_link(test_files::Host(kWork + "\\outside.iss"),
                       test_files::Host(linked));
  test_files::MakeReadOnly(single);
  test_files::MakeReadOnly(linked);
  EXPECT_EQ(IdentityClearingReadOnly(single), EntryIdentity(single));
  EXPECT_FALSE(test_files::IsReadOnly(single));
  EXPECT_FALSE(IdentityClearingReadOnly(linked));
  EXPECT_TRUE(test_files::IsReadOnly(kWork + "\\outside.iss"));
}

TEST_F(FileSafety, FolderIsOrLiesWithinFollowsLinks) {
  const std::string outer = kWork + "\\info";
  test_files::MakeFolder(outer + "\\sub");
  test_files::MakeFolder(kWork + "\\sibling");
  EXPECT_TRUE(FolderIsOrLiesWithin(outer, outer));
  EXPECT_TRUE(FolderIsOrLiesWithin(outer + "\\sub", outer));
  EXPECT_FALSE(FolderIsOrLiesWithin(kWork + "\\sibling", outer));
  EXPECT_FALSE(FolderIsOrLiesWithin(kWork, outer));
  if (test_files::MakeFolderLink(outer + "\\sub", kWork + "\\link")) {
    EXPECT_TRUE(FolderIsOrLiesWithin(kWork + "\\link", outer));
  }
}

TEST_F(FileSafety, HoldKeepsTheFileFromChangeUntilReleased) {
  const std::string file = kWork + "\\data.exe";
  test_files::WriteFile(file);
  const auto openForWriting = [&] {
    const HANDLE handle =
        CreateFileA(file.c_str(), GENERIC_WRITE | DELETE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD error = GetLastError();
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return handle == INVALID_HANDLE_VALUE ? error : DWORD{0};
  };
  FileHold hold;
  ASSERT_NE(hold.Hold(file), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(!SharesModes() || openForWriting() == kSharingViolation);
  EXPECT_FALSE(DeleteFileA(file.c_str()));
  EXPECT_EQ(GetLastError(), kSharingViolation);
  hold.Release();
  EXPECT_TRUE(!SharesModes() || openForWriting() == 0);
  EXPECT_TRUE(DeleteFileA(file.c_str()));
}

// Every folder above the file, up to the drive root, is held.
TEST_F(FileSafety, HoldFoldersAboveKeepsThemUntilReleased) {
  const std::string folder = kWork + "\\a\\b";
  test_files::MakeFolder(folder);
  FileHold hold;
  EXPECT_EQ(hold.HoldFoldersAbove(folder + "\\data.exe"), 4u);
  EXPECT_FALSE(RemoveDirectoryA(folder.c_str())) << "the nearest, empty";
  EXPECT_EQ(GetLastError(), kSharingViolation);
  EXPECT_TRUE(!SharesModes() || RenameRefused(kWork + "\\a"));
  hold.Release();
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
  EXPECT_TRUE(!SharesModes() || !RenameRefused(kWork + "\\a"));
}

TEST_F(FileSafety, CheckInstallerTellsWhatCanStartAndHoldsItsFolders) {
  const std::string dist = kWork + "\\dist";
  test_files::MakeFolder(dist + "\\folder.exe");
  char recorder[MAX_PATH] = {};
  GetFullPathNameA(TEST_BUILD_DIR "/tests/recorder" TEST_EXE_SUFFIX, MAX_PATH,
                   recorder, nullptr);
  ASSERT_TRUE(CopyFileA(recorder, (dist + "\\recorder.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(recorder, (dist + "\\cut.exe").c_str(), FALSE));
  fs::resize_file(test_files::Host(dist + "\\cut.exe"),
                  fs::file_size(test_files::Host(dist + "\\cut.exe")) / 2);
  CopyOwnProgram(dist + "\\self.exe");
  test_files::WriteFile(dist + "\\text.exe", "not a program");
  const struct {
    std::string path;
    InstallerCheck expected;
  } cases[] = {
      {"", InstallerCheck::CannotStart},
      {dist + "\\missing.exe", InstallerCheck::CannotStart},
      {dist + "\\folder.exe", InstallerCheck::CannotStart},
      {dist + "\\self.exe", InstallerCheck::ThisProgram},
      {dist + "\\cut.exe", InstallerCheck::CannotStart},
      {dist + "\\text.exe", InstallerCheck::CannotStart},
      {dist + "\\recorder.exe", InstallerCheck::Startable},
  };
  for (const auto& c : cases) {
    FileHold hold;
    EXPECT_EQ(CheckInstaller(c.path, OwnProgramPath(), hold), c.expected)
        << "[" << c.path << "]";
    EXPECT_TRUE(!SharesModes() || c.path.empty() || RenameRefused(dist))
        << "[" << c.path << "]";
    if (c.expected == InstallerCheck::Startable) {
      EXPECT_FALSE(DeleteFileA(c.path.c_str())) << "the installer is held";
    }
  }
}

}  // namespace
