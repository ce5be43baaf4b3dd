#include "files/folder_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "hostile_cases.h"
#include "platform/win32_api.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

const std::string kWork = "C:\\upgrade-test\\tree";

// The waits between tries go on a clock that only they move, so no test
// waits; the third pause closes `heldUntilThirdPause`.
DWORD fakeNow = 0;
int pauses = 0;
HANDLE heldUntilThirdPause = INVALID_HANDLE_VALUE;

void FakePause(DWORD milliseconds) {
  fakeNow += milliseconds;
  if (++pauses == 3 && heldUntilThirdPause != INVALID_HANDLE_VALUE) {
    CloseHandle(std::exchange(heldUntilThirdPause, INVALID_HANDLE_VALUE));
  }
}

HANDLE Hold(const std::string& path, DWORD shareMode) {
  return CreateFileA(path.c_str(), GENERIC_READ, shareMode, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

class FolderTree : public test_files::ScratchFolderTest {
 protected:
  FolderTree() : ScratchFolderTest(kWork) { fakeNow = pauses = 0; }

  test_files::ScopedHook<RetrySleepHook> pause_{SetRetrySleepHookForTesting,
                                                FakePause};
  test_files::ScopedHook<RetryClockHook> clock_{SetRetryClockHookForTesting,
                                                [] { return fakeNow; }};
};

TEST_F(FolderTree, RemovesAnEmptyFolderAndFailsOnAMissingOne) {
  test_files::MakeFolder(kWork + "\\empty");
  EXPECT_TRUE(DeleteFolderTree(kWork + "\\empty"));
  EXPECT_FALSE(test_files::Exists(kWork + "\\empty"));
  EXPECT_FALSE(DeleteFolderTree(kWork + "\\missing"));
}

TEST_F(FolderTree, RemovesATreeThreeLevelsDeep) {
  const std::string top = kWork + "\\top";
  for (const char* file : {"\\a.txt", "\\.hidden", "\\one\\b", "\\one\\.c.d",
                           "\\one\\two\\c.txt", "\\one\\two\\three\\d"}) {
    test_files::WriteFile(top + file);
  }
  test_files::MakeFolder(top + "\\one\\empty");
  EXPECT_TRUE(DeleteFolderTree(top));
  EXPECT_FALSE(test_files::Exists(top));
}

// A name the system takes for a device ("nul.txt", "LPT1 .log", "COM0",
// "lpt\xB3.x", superscript 3 in code page 1252) leads to the device, not to
// the entry: it stays, without a wait, and the rest goes.
TEST_F(FolderTree, LeavesEntriesNamedForDevicesWithoutWaiting) {
  const std::string top = kWork + "\\top";
  test_files::WriteFile(top + "\\nul.txt");
  test_files::WriteFile(top + "\\sub\\gone.txt");
  if (!test_files::Exists(top + "\\nul.txt")) {
    GTEST_SKIP() << "here the system itself takes the name for the device";
  }
  const char* const devices[] = {"\\sub\\LPT1 .log", "\\COM0",
                                 "\\sub\\lpt0.txt", "\\COM\xB9",
                                 "\\sub\\lpt\xB3.x"};
  for (const char* device : devices) test_files::WriteFile(top + device);
  EXPECT_FALSE(DeleteFolderTree(top));
  EXPECT_TRUE(test_files::Exists(top + "\\nul.txt"));
  for (const char* device : devices) {
    EXPECT_TRUE(test_files::Exists(top + device)) << "input: " << device;
  }
  EXPECT_FALSE(test_files::Exists(top + "\\sub\\gone.txt"));
  EXPECT_EQ(pauses, 0);
}

TEST_F(FolderTree, KeepsReadOnlyFileAndItsParents) {
  const std::string top = kWork + "\\top";
  test_files::WriteFile(top + "\\one\\two\\locked.txt");
  test_files::MakeReadOnly(top + "\\one\\two\\locked.txt");
  test_files::WriteFile(top + "\\one\\two\\free.txt");
  test_files::WriteFile(top + "\\one\\sibling.txt");
  test_files::WriteFile(top + "\\other\\gone.txt");
  test_files::WriteFile(top + "\\top.txt");

  EXPECT_FALSE(DeleteFolderTree(top));
  EXPECT_TRUE(test_files::Exists(top + "\\one\\two\\locked.txt"));
  EXPECT_FALSE(test_files::Exists(top + "\\one\\two\\free.txt"));
  EXPECT_FALSE(test_files::Exists(top + "\\one\\sibling.txt"));
  EXPECT_FALSE(test_files::Exists(top + "\\other"));
  EXPECT_FALSE(test_files::Exists(top + "\\top.txt"));
  EXPECT_EQ(pauses, 0) << "a read-only file was tried again";
}

// Held without delete sharing, a file cannot be deleted until it is closed;
// held with it, Windows deletes it only once it is closed and until then
// refuses its folder. Either way the wipe tries again until the holder lets
// go, and the whole tree goes.
TEST_F(FolderTree, TriesAgainUntilTheHolderOfAFileLetsGo) {
  const std::string top = kWork + "\\top";
  for (const DWORD share :
       {FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_DELETE}) {
    pauses = 0;
    test_files::WriteFile(top + "\\Disk1\\data1.cab");
    test_files::WriteFile(top + "\\other.txt");
    heldUntilThirdPause = Hold(top + "\\Disk1\\data1.cab", share);
    ASSERT_NE(heldUntilThirdPause, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFolderTree(top)) << "share mode " << share;
    EXPECT_FALSE(test_files::Exists(top)) << "share mode " << share;
    if (share == FILE_SHARE_READ) {
      EXPECT_EQ(pauses, 3);
    }
    if (heldUntilThirdPause != INVALID_HANDLE_VALUE) {
      CloseHandle(std::exchange(heldUntilThirdPause, INVALID_HANDLE_VALUE));
    }
  }
}

// Items held for good spend the one budget of the whole wipe once: the first
// waits 10 s, the next not at all, and everything else goes.
TEST_F(FolderTree, SpendsOneBudgetOnItemsHeldForGood) {
  const std::string top = kWork + "\\top";
  test_files::WriteFile(top + "\\a\\held.txt");
  test_files::WriteFile(top + "\\b\\held.txt");
  test_files::WriteFile(top + "\\free.txt");
  const HANDLE a = Hold(top + "\\a\\held.txt", FILE_SHARE_READ);
  const HANDLE b = Hold(top + "\\b\\held.txt", FILE_SHARE_READ);
  EXPECT_FALSE(DeleteFolderTree(top));
  CloseHandle(a);
  CloseHandle(b);
  EXPECT_EQ(fakeNow, 10000u);
  EXPECT_EQ(pauses, 100);
  EXPECT_TRUE(test_files::Exists(top + "\\a\\held.txt"));
  EXPECT_TRUE(test_files::Exists(top + "\\b\\held.txt"));
  EXPECT_FALSE(test_files::Exists(top + "\\free.txt"));
}

TEST_F(FolderTree, DeletesEntriesWhosePathsPassTwoHundredCharacters) {
  const std::string top = kWork + "\\top";
  const std::string longName(90, 'n');
  const std::string deep = top + "\\" + longName + "\\" + longName;
  test_files::WriteFile(deep + "\\" + std::string(20, 'f') + ".txt");
  test_files::WriteFile(top + "\\" + longName + "\\" + std::string(130, 'g'));
  ASSERT_GT(deep.size() + 25, 200u);
  EXPECT_TRUE(DeleteFolderTree(top));
  EXPECT_FALSE(test_files::Exists(top));
}

// A folder whose search pattern passes the 260-character limit of the system
// calls cannot be walked: it stays with what it holds, and the rest goes.
TEST_F(FolderTree, LeavesWhatLiesPastThePathLimitAndDeletesTheRest) {
  const std::string top = kWork + "\\top";
  std::string deep = top;
  for (char level = 'a'; level <= 'e'; ++level) {
    deep += "\\" + std::string(50, level);
  }
  ASSERT_GT(deep.size(), static_cast<std::size_t>(MAX_PATH));
  // Under Windows the test itself could make such a tree but not remove it
  // afterwards, and what it left would spoil later runs.
  if (std::string(TEST_DRIVE_C_HOST).empty()) {
    GTEST_SKIP() << "paths past the limit cannot be cleaned up here";
  }
  std::error_code error;
  std::filesystem::create_directories(test_files::Host(deep), error);
  if (error)
    GTEST_SKIP() << "this system makes no such long paths: " << error.message();
  test_files::WriteFile(deep + "\\kept.txt");
  test_files::WriteFile(top + "\\gone.txt");

  EXPECT_FALSE(DeleteFolderTree(top));
  EXPECT_TRUE(test_files::Exists(deep + "\\kept.txt"));
  EXPECT_FALSE(test_files::Exists(top + "\\gone.txt"));
}

// A link inside the tree to a folder outside it: the link goes, and nothing
// it points to is touched.
TEST_F(FolderTree, RemovesAFolderLinkWithoutFollowingIt) {
  const std::string top = kWork + "\\top";
  const std::string outside = kWork + "\\outside";
  test_files::WriteFile(outside + "\\keep.txt");
  test_files::WriteFile(outside + "\\deeper\\keep2.txt");
  test_files::WriteFile(top + "\\own.txt");
  std::error_code error;
  std::filesystem::create_directory_symlink(
      test_files::Host(outside), test_files::Host(top + "\\link"), error);
  if (error)
    GTEST_SKIP() << "this system makes no folder links: " << error.message();

  DeleteFolderTree(top);
  EXPECT_TRUE(test_files::Exists(outside + "\\keep.txt"));
  EXPECT_TRUE(test_files::Exists(outside + "\\deeper\\keep2.txt"));
  EXPECT_FALSE(test_files::Exists(top + "\\own.txt"));
  EXPECT_FALSE(test_files::Exists(top + "\\link"));
  EXPECT_FALSE(test_files::Exists(top));
}

// A subfolder swapped for a link to a folder outside after the walk listed it
// and before it entered it: only the link goes. Windows also holds each
// folder open while its entries go, so that it cannot be swapped at all.
TEST_F(FolderTree, FollowsNoLinkSwappedInWhileTheWalkRuns) {
  const std::string top = kWork + "\\top";
  test_files::WriteFile(kWork + "\\outside\\keep.txt");
  test_files::WriteFile(top + "\\sub\\own.txt");
  if (!test_files::MakeFolderLink(kWork + "\\outside", kWork + "\\probe")) {
    GTEST_SKIP() << "this system makes no folder links";
  }
  {
    test_files::ScopedHook<BeforeEnteringFolderHook> swap(
        SetBeforeEnteringFolderHookForTesting, [](const std::string& folder) {
          test_files::Wipe(folder);
          test_files::MakeFolderLink(kWork + "\\outside", folder);
        });
    DeleteFolderTree(top);
  }
  EXPECT_TRUE(test_files::Exists(kWork + "\\outside\\keep.txt"));
  EXPECT_FALSE(test_files::Exists(top));
}

// Decides, for the random trees below, which folders turn into links.
std::mt19937 swapChoice;

// Whether the entry `name` at `path` may stay, and with it the folders above
// it: a name the system trims or cannot hold, one a path ending in leads to
// a device (its part before the first dot, less trailing blanks, a device's
// name), or a path at the limit.
bool MayStay(const std::string& name, const std::string& path) {
  if (name.back() == ' ' || name.back() == '.' || path.size() >= 240)
    return true;
  if (std::any_of(name.begin(), name.end(), [](char c) {
        return std::strchr("\\:*?\"<>|", c) != nullptr ||
               static_cast<unsigned char>(c) < ' ';
      })) {
    return true;
  }
  std::string base = name.substr(0, name.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  for (char& c : base) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return std::find(std::begin(hostile_cases::kDevices),
                   std::end(hostile_cases::kDevices),
                   base) != std::end(hostile_cases::kDevices);
}

// The fixed shapes of the shared table that hold entries, each walked once:
// nothing outside changes (a link to "dist" leads to a folder beside the
// tree, standing for the distribution), and the tree goes when nothing in
// it may stay.
TEST_F(FolderTree, KeepsOutsideOnTheFixedShapes) {
  const std::string top = kWork + "\\top", outside = kWork + "\\outside",
                    dist = kWork + "\\dist";
  if (!test_files::MakeFolderLink(kWork, kWork + "\\probe")) {
    GTEST_SKIP() << "this system makes no folder links";
  }
  for (const hostile_cases::Shape& shape : hostile_cases::kShapes) {
    SCOPED_TRACE(shape.name);
    test_files::Wipe(top);
    test_files::MakeFolder(top);
    for (const std::string& keep :
         {outside + "\\keep.txt", outside + "\\deeper\\keep.txt",
          dist + "\\keep.txt"}) {
      test_files::WriteFile(keep, "keep");
    }
    bool mayStay = false;
    for (const hostile_cases::Entry& entry : shape.entries) {
      const std::string path = top + "\\" + entry.path;
      const std::string name = path.substr(path.rfind('\\') + 1);
      const fs::path host =
          test_files::Host(path.substr(0, path.rfind('\\'))) / name;
      const std::string kind = entry.kind, to = entry.to;
      if (kind == "folder") {
        fs::create_directory(host);
      } else if (kind == "link") {
        const std::string target = to == "dist"     ? dist
                                   : to == "inside" ? top
                                                    : kWork + "\\" + to;
        fs::create_directory_symlink(test_files::Host(target), host);
      } else {
        std::ofstream(host) << name;
      }
      mayStay = mayStay || MayStay(name, path);
    }
    DeleteFolderTree(top);
    for (const std::string& keep :
         {outside + "\\keep.txt", outside + "\\deeper\\keep.txt",
          dist + "\\keep.txt"}) {
      EXPECT_EQ(test_files::ReadFile(keep), "keep") << keep;
    }
    if (!mayStay) {
      EXPECT_FALSE(test_files::Exists(top));
    }
  }
}

// Random trees from a seed, of names ending in a dot or a space, holding a
// character Windows forbids, naming a device (the names of the shared table)
// or reaching the path limit, with
// read-only files and links to folders inside and outside, walked while one
// folder in three turns into a link outside just before the walk enters it:
// nothing outside changes, and the tree goes when nothing in it may stay.
// HOSTILE_SEED (a number or "random") and HOSTILE_TREES choose the seeds, as
// for the hostile-trees scenarios; a failure names the seed and the tree.
TEST_F(FolderTree, KeepsOutsideWhileRandomTreesTurnFoldersIntoLinks) {
  const std::string top = kWork + "\\top", outside = kWork + "\\outside";
  if (!test_files::MakeFolderLink(kWork, kWork + "\\probe")) {
    GTEST_SKIP() << "this system makes no folder links";
  }
  const char* seedText = std::getenv("HOSTILE_SEED");
  const unsigned first = seedText == nullptr ? 1
                         : std::string(seedText) == "random"
                             ? std::random_device()()
                             : std::stoul(seedText);
  const char* countText = std::getenv("HOSTILE_TREES");
  const unsigned count = countText == nullptr ? 50 : std::stoul(countText);
  for (unsigned seed = first; seed != first + count; ++seed) {
    std::mt19937 random(seed);
    const auto pick = [&random](std::size_t n) {
      return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    test_files::Wipe(top);
    test_files::WriteFile(outside + "\\keep.txt", "keep");
    test_files::WriteFile(outside + "\\deeper\\keep.txt", "keep");
    std::vector<std::string> folders{top};
    test_files::MakeFolder(top);
    std::string tree;
    bool mayStay = false;
    // One tree in three holds only plain names, links and writable files.
    const bool plain = pick(3) == 0;
    for (std::size_t i = 0, entries = 2 + pick(24); i < entries; ++i) {
      const std::string parent = folders[pick(folders.size())];
      std::string name = "n" + std::to_string(i);
      switch (plain ? 4 : pick(6)) {
        case 0:
          name += hostile_cases::kTrailingEnds[pick(
              std::size(hostile_cases::kTrailingEnds))];
          break;
        case 1:
          name.insert(1, 1,
                      hostile_cases::kForbidden[pick(
                          std::size(hostile_cases::kForbidden) - 1)]);
          break;
        case 2:  // a device's name in any case, with a suffix
          name = std::string(hostile_cases::kDevices[pick(
                     std::size(hostile_cases::kDevices))]) +
                 hostile_cases::kDeviceSuffixes[pick(
                     std::size(hostile_cases::kDeviceSuffixes))];
          for (char& c : name) {
            if (pick(2) != 0) {
              c = static_cast<char>(
                  std::tolower(static_cast<unsigned char>(c)));
            }
          }
          break;
        case 3:  // a path of 235 to 264 characters, where it fits a name
          name.resize(std::clamp<long>(235 + pick(30) - parent.size(),
                                       name.size(), 250),
                      'l');
          break;
      }
      const std::string path = parent + "\\" + name;
      const fs::path host = test_files::Host(parent) / name;
      if (fs::exists(fs::symlink_status(host))) continue;
      // A folder, a link, a file, or a read-only file.
      const std::size_t kind = pick(plain ? 3 : 4);
      bool staysHere = MayStay(name, path);
      std::string made = "file ";
      if (kind == 0 && name.find('\\') == std::string::npos) {
        fs::create_directory(host);
        folders.push_back(path);
        made = "folder ";
      } else if (kind == 1) {
        const std::string targets[] = {outside, outside + "\\deeper", top};
        const std::string& target = targets[pick(3)];
        fs::create_directory_symlink(test_files::Host(target), host);
        made = "link to " + target + ": ";
      } else {
        std::ofstream(host) << name;
        if (kind == 3) {
          fs::permissions(host, fs::perms::all, fs::perm_options::remove);
          staysHere = true;
          made = "read-only file ";
        }
      }
      mayStay = mayStay || staysHere;
      tree += made + "[" + path + "]\n";
    }
    swapChoice.seed(seed);
    {
      test_files::ScopedHook<BeforeEnteringFolderHook> swap(
          SetBeforeEnteringFolderHookForTesting, [](const std::string& folder) {
            if (swapChoice() % 3 != 0) return;
            test_files::Wipe(folder);
            test_files::MakeFolderLink(kWork + "\\outside", folder);
          });
      DeleteFolderTree(top);
    }
    SCOPED_TRACE("seed " + std::to_string(seed) + ", tree:\n" + tree);
    EXPECT_EQ(test_files::ReadFile(outside + "\\keep.txt"), "keep");
    EXPECT_EQ(test_files::ReadFile(outside + "\\deeper\\keep.txt"), "keep");
    if (!mayStay) {
      EXPECT_FALSE(test_files::Exists(top));
    }
  }
}

TEST_F(FolderTree, RemovesOnlyTheLinkWhenTheFolderItselfIsOne) {
  const std::string outside = kWork + "\\outside";
  const std::string link = kWork + "\\link";
  test_files::WriteFile(outside + "\\keep.txt");
  std::error_code error;
  std::filesystem::create_directory_symlink(test_files::Host(outside),
                                            test_files::Host(link), error);
  if (error)
    GTEST_SKIP() << "this system makes no folder links: " << error.message();

  EXPECT_TRUE(DeleteFolderTree(link));
  EXPECT_FALSE(test_files::Exists(link));
  EXPECT_TRUE(test_files::Exists(outside + "\\keep.txt"));
}

}  // namespace
