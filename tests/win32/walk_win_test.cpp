// The walk and its path rules on Windows: drive letters, "\" and "/",
// extended-length prefixes, the 260-character limit and the volume
// separator; entry strings and their split into folder and name.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>

#include "inventory/MyGetFiles.h"
#include "inventory/file_info.h"
#include "inventory/file_store.h"
#include "platform/exceptions.h"
#include "platform/win32/wide.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;

std::vector<std::string> pathsOf(const std::vector<std::string>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.substr(0, e.find('|')));
  return out;
}

class WinWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    root = tempFolder() + "drovan-walk-" + std::to_string(std::random_device{}());
    ASSERT_TRUE(makeFolders(root));
  }
  void TearDown() override { removeAll(root); }
  std::vector<std::string> walk(const std::string& path, TDateTime& newest) {
    return TMyDirectory::GetFiles(path, "*.*", true, nullptr, newest);
  }
  std::string root;
};

TEST_F(WinWalk, EntriesUseBackslashesAndAFolderPrecedesItsContents) {
  ASSERT_TRUE(writeFileUtf8(root + "\\a.txt", "a"));
  ASSERT_TRUE(makeFolders(root + "\\子目录"));
  ASSERT_TRUE(writeFileUtf8(root + "\\子目录\\b.txt", "bb"));
  TDateTime newest = 0;
  const auto paths = pathsOf(walk(root, newest));
  ASSERT_EQ(paths.size(), 3u);
  const auto folder = std::find(paths.begin(), paths.end(), root + "\\子目录");
  const auto inner = std::find(paths.begin(), paths.end(), root + "\\子目录\\b.txt");
  ASSERT_NE(folder, paths.end());
  ASSERT_NE(inner, paths.end());
  EXPECT_LT(folder, inner);
  EXPECT_NE(std::find(paths.begin(), paths.end(), root + "\\a.txt"), paths.end());
  EXPECT_GT(newest, 0);
}

TEST_F(WinWalk, ARootGivenWithSlashesOrATrailingDelimiterGetsNoDoubledDelimiter) {
  ASSERT_TRUE(writeFileUtf8(root + "\\a.txt", "a"));
  TDateTime newest = 0;
  EXPECT_EQ(pathsOf(walk(root + "\\", newest)), std::vector<std::string>{root + "\\a.txt"});
  std::string slashed = root;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_EQ(pathsOf(walk(slashed + "/", newest)), std::vector<std::string>{slashed + "/a.txt"});
}

TEST_F(WinWalk, ADriveRootListsItsEntriesAsDriveLetterPaths) {
  ASSERT_TRUE(makeFolders("E:\\walk-root-test"));
  ASSERT_TRUE(writeFileUtf8("E:\\walk-root-test\\x.doc", "x"));
  TDateTime newest = 0;
  const auto paths = pathsOf(walk("E:\\", newest));
  removeAll("E:\\walk-root-test");
  EXPECT_NE(std::find(paths.begin(), paths.end(), "E:\\walk-root-test"), paths.end());
  EXPECT_NE(std::find(paths.begin(), paths.end(), "E:\\walk-root-test\\x.doc"), paths.end());
}

TEST_F(WinWalk, HiddenAndSystemEntriesAreListed) {
  ASSERT_TRUE(writeFileUtf8(root + "\\h.txt", "h"));
  ASSERT_TRUE(makeFolders(root + "\\s"));
  ASSERT_TRUE(SetFileAttributesW(platform::win32::widen(root + "\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(platform::win32::widen(root + "\\s").c_str(), FILE_ATTRIBUTE_SYSTEM));
  TDateTime newest = 0;
  auto paths = pathsOf(walk(root, newest));
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{root + "\\h.txt", root + "\\s"}));
}

TEST_F(WinWalk, BadRootsRaiseTheirErrorsInOrder) {
  TDateTime newest = 0;
  EXPECT_THROW(walk(root + "\\没有", newest), EDirectoryNotFoundException);
  const std::string longPath = "C:\\" + std::string(257, 'x');
  try {
    walk(longPath, newest);
    FAIL() << "a path of 260 characters was walked";
  } catch (const EPathTooLongException& e) {
    EXPECT_STREQ(e.what(), "The specified path is too long");
  }
  // Characters count, not bytes: 200 Chinese characters are far below the limit.
  EXPECT_THROW(walk("C:\\" + [] { std::string s; for (int i = 0; i < 200; ++i) s += "资"; return s; }(), newest),
               EDirectoryNotFoundException);
  try {
    walk("E:\\a:b", newest);
    FAIL() << "a second volume separator was taken";
  } catch (const ENotSupportedException& e) {
    EXPECT_STREQ(e.what(), "The path format is not supported");
  }
  try {
    walk(root + "\\a|b", newest);
    FAIL() << "a vertical bar was taken";
  } catch (const EArgumentException& e) {
    EXPECT_STREQ(e.what(), "Invalid characters in path");
  }
  try {
    TMyDirectory::GetFiles(root, "a<b", true, nullptr, newest);
    FAIL() << "a pattern with '<' was taken";
  } catch (const EArgumentException& e) {
    EXPECT_STREQ(e.what(), "Invalid characters in search pattern");
  }
  EXPECT_NO_THROW(TMyDirectory::GetFiles(root, "*.t?t", true, nullptr, newest));
}

TEST_F(WinWalk, TheExtendedPrefixLiftsTheLengthLimit) {
  TDateTime newest = 0;
  // Past the limit with the prefix the path is only looked for.
  EXPECT_THROW(walk("\\\\?\\C:\\" + std::string(300, 'y'), newest), EDirectoryNotFoundException);
  ASSERT_TRUE(writeFileUtf8(root + "\\p.txt", "p"));
  EXPECT_EQ(pathsOf(walk("\\\\?\\" + root, newest)), std::vector<std::string>{"\\\\?\\" + root + "\\p.txt"});
}

TEST(WinCombinePath, FollowsTheWindowsRules) {
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a", "b"), "C:\\a\\b");
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a\\", "b"), "C:\\a\\b");
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a/", "b"), "C:\\a/b");
  EXPECT_EQ(TMyDirectory::CombinePath("C:", "b"), "C:b");
  EXPECT_EQ(TMyDirectory::CombinePath("", "b"), "b");
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a", ""), "C:\\a");
  // Rooted second parts stand alone.
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a", "D:\\x"), "D:\\x");
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a", "D:x"), "D:x");
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a", "\\x"), "\\x");
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a", "/x"), "/x");
  EXPECT_EQ(TMyDirectory::CombinePath("C:\\a", "\\\\?\\E:\\x"), "\\\\?\\E:\\x");
  EXPECT_THROW(TMyDirectory::CombinePath("C:\\a", "b>c"), EArgumentException);
  EXPECT_THROW(TMyDirectory::CombinePath("C:\\a", std::string("b\x01", 2)), EArgumentException);
}

TEST(WinEntryString, SplitsFolderAndNameAtTheLastBackslash) {
  TFileStore store;
  const TFileInfo& file = StrToFileInfo("E:\\资料\\a.doc|0|2015/3/5|12", store);
  EXPECT_EQ(file.Path, "E:\\资料\\");
  EXPECT_EQ(file.Name, "a.doc");
  EXPECT_EQ(file.Key(), "E:\\资料\\a.doc");
  EXPECT_EQ(file.Size, 12);
  const TFileInfo& folder = StrToFileInfo("E:\\资料|-1|1899/12/30|0", store);
  EXPECT_TRUE(folder.Falg);
  EXPECT_EQ(folder.Path, "E:\\");
  EXPECT_EQ(folder.Name, "资料");
}

}  // namespace
