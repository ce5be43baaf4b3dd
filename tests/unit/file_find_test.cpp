#include "files/file_find.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "test_files.h"

namespace {

const std::string kWork = "C:\\upgrade-test\\find";

class FileFind : public test_files::ScratchFolderTest {
 protected:
  FileFind() : ScratchFolderTest(kWork) {}

  // Every entry a full walk of `pattern` makes current, with how often.
  static std::map<std::string, int> Walk(const std::string& pattern) {
    std::map<std::string, int> seen;
    CFileFind finder;
    if (finder.FindFile(pattern.c_str())) {
      bool more;
      do {
        more = finder.FindNextFile();
        ++seen[finder.GetFileName()];
      } while (more);
    }
    return seen;
  }
};

TEST_F(FileFind, PatternNamingOneFileGivesItOnTheFirstStep) {
  test_files::WriteFile(kWork + "\\uninstall.iss");
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile((kWork + "\\uninstall.iss").c_str()));
  EXPECT_EQ(finder.GetFileName(), "");
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_EQ(finder.GetFileName(), "uninstall.iss");
  EXPECT_FALSE(finder.IsDirectory());
}

TEST_F(FileFind, MissingFolderFailsKeepsTheErrorAndLeavesNoSearch) {
  CFileFind finder;
  SetLastError(0);
  EXPECT_FALSE(finder.FindFile((kWork + "\\missing\\*.*").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_EQ(finder.GetFileName(), "");

  EXPECT_FALSE(finder.FindFile((kWork + "\\absent.iss").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileFind, EmptyFolderListsOnlyTheDotsEntries) {
  test_files::WriteFile(kWork + "\\sub\\.profile");
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile((kWork + "\\sub\\*.*").c_str()));
  std::map<std::string, bool> dots;
  bool more;
  do {
    more = finder.FindNextFile();
    dots[finder.GetFileName()] = finder.IsDots();
  } while (more);
  EXPECT_EQ(dots, (std::map<std::string, bool>{
                      {".", true}, {"..", true}, {".profile", false}}));
}

TEST_F(FileFind, WalkSeesEveryEntryOnceTheLastIncluded) {
  for (const char* name : {"a.txt", "b", "c.dat", "noext"}) {
    test_files::WriteFile(kWork + "\\" + name);
  }
  test_files::MakeFolder(kWork + "\\folder");
  EXPECT_EQ(Walk(kWork + "\\*.*"), (std::map<std::string, int>{{".", 1},
                                                               {"..", 1},
                                                               {"a.txt", 1},
                                                               {"b", 1},
                                                               {"c.dat", 1},
                                                               {"folder", 1},
                                                               {"noext", 1}}));
}

// A pattern whose full path reaches the limit is refused with
// ERROR_INVALID_NAME, leaving no search open, even though the system's own
// search may find it. Windows' narrow search may refuse such a path first;
// its own answer is accepted then.
TEST_F(FileFind, PatternWhoseFullPathReachesTheLimitIsRefused) {
  const std::string file = kWork + "\\" + std::string(MAX_PATH - 20, 'n');
  ASSERT_GE(file.size(), static_cast<std::size_t>(MAX_PATH));
  std::error_code error;
  std::ofstream(test_files::Host(file)) << "x";
  if (!std::filesystem::exists(test_files::Host(file), error))
    GTEST_SKIP() << "this system makes no file with so long a path";
  CFileFind finder;
  SetLastError(0);
  EXPECT_FALSE(finder.FindFile(file.c_str()));
  const DWORD refused = GetLastError();
  EXPECT_TRUE(refused == ERROR_INVALID_NAME ||
              refused == ERROR_FILENAME_EXCED_RANGE ||
              refused == ERROR_PATH_NOT_FOUND)
      << "error " << refused;
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_EQ(finder.GetFileName(), "");
}

}  // namespace
