#include "inventory/MyGetFiles.h"
#include "inventory/file_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "inventory/file_info.h"
#include "inventory/pglobal.h"
#include "platform/exceptions.h"
#include "platform/temp_names.h"
#include "tests/inventory/walk_fixture.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_helpers.h"

namespace fs = std::filesystem;
using namespace walktest;
using testsupport::nativePath;

TEST_F(Walk, ListsEverythingBelowTheRootInPreOrder) {
  dir.write("a.txt", "a");
  dir.write("sub/b.txt", "bb");
  dir.write("sub/deep/c.txt", "ccc");
  dir.write("sub/deep/.hidden", "h");
  dir.write(".hidden dir/x", "x");
  dir.mkdir("other");
  dir.mkdir("sub/deep/empty");

  const auto paths = pathsOf(scan(root));
  EXPECT_EQ(asSet(paths), under(root, {"a.txt", "sub", "sub/b.txt", "sub/deep", "sub/deep/c.txt",
                                       "sub/deep/.hidden", ".hidden dir", ".hidden dir/x", "other",
                                       "sub/deep/empty"}));
  EXPECT_EQ(paths.size(), 10u);
  expectPreOrder(paths, root);
}

TEST_F(Walk, WritesEntryStringsWithTheRunningFileTime) {
  const std::int64_t t1 = 1425517622;  // 2015-03-05 01:07:02 UTC
  dir.write("f1.txt", "12345");
  dir.write("d1/f2.bin", std::string(1000, 'x'));
  dir.write("d1/d2/f3", "");
  dir.mkdir("d3");
  testsupport::setModificationTime(dir.path() / "f1.txt", t1, 700'000'000);
  testsupport::setModificationTime(dir.path() / "d1/f2.bin", t1 + 86400 * 400);
  testsupport::setModificationTime(dir.path() / "d1/d2/f3", t1 - 3600);

  TDateTime newest = -1;
  const auto entries = scan(root, newest);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(newest, fileTime(t1 + 86400 * 400));

  const std::set<std::string> files = asSet(entries);
  EXPECT_TRUE(files.count(entryOf(root + nativePath("/f1.txt"), false, fileTime(t1), 5)));
  EXPECT_TRUE(files.count(entryOf(root + nativePath("/d1/f2.bin"), false, fileTime(t1 + 86400 * 400), 1000)));
  EXPECT_TRUE(files.count(entryOf(root + nativePath("/d1/d2/f3"), false, fileTime(t1 - 3600), 0)));

  // A folder entry carries the time of the file listed last before it.
  TDateTime running = 0;
  for (const auto& e : entries) {
    TFileStore store;
    const TFileInfo& info = StrToFileInfo(e, store);
    if (info.Falg) {
      EXPECT_EQ(e, entryOf(info.Key(), true, running, 0));
    } else {
      running = info.LastModifyTime;
    }
  }
}

TEST_F(Walk, NewestTimeKeepsMillisecondsEntriesDoNot) {
  dir.write("a.txt", "a");
  testsupport::setModificationTime(dir.path() / "a.txt", 1425517622, 700'123'456);
  TDateTime newest = 0;
  const auto entries = scan(root + PathDelim, newest);  // a trailing delimiter is not doubled
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(newest, fileTime(1425517622, 700'123'456));
  EXPECT_EQ(platform::decodeDateTime(newest).millisecond, 700);
  EXPECT_EQ(entries[0], root + PathDelim + "a.txt|0|" + platform::dateTimeToStr(newest) + "|1");
  TFileStore store;
  EXPECT_EQ(StrToFileInfo(entries[0], store).LastModifyTime, fileTime(1425517622));

  // The newest wins whichever of two files the folder lists last.
  dir.write("b.txt", "b");
  testsupport::setModificationTime(dir.path() / "b.txt", 1425517622, 700'000'000);
  EXPECT_EQ(scan(root, newest).size(), 2u);
  EXPECT_EQ(newest, fileTime(1425517622, 700'123'456));
  testsupport::setModificationTime(dir.path() / "a.txt", 1425517622, 600'000'000);
  scan(root, newest);
  EXPECT_EQ(newest, fileTime(1425517622, 700'000'000));
}

TEST_F(Walk, EmptyAndFolderOnlyTrees) {
  TDateTime newest = -1;
  EXPECT_TRUE(scan(root, newest).empty());
  EXPECT_EQ(newest, 0);

  dir.mkdir("a/b/c");
  dir.mkdir("d");
  const auto entries = scan(root, newest);
  EXPECT_EQ(newest, 0);
  ASSERT_EQ(entries.size(), 4u);
  for (const auto& e : entries) EXPECT_TRUE(e.ends_with("|-1|1899/12/30|0")) << e;
}

TEST_F(Walk, UnreadableFolderContributesOnlyItsOwnEntry) {
  dir.write("open/x.txt");
  dir.write("locked/secret.txt");
  dir.write("locked/inner/deeper.txt");
  platform::setFolderFaultHookForTesting([](platform::FolderOp op, std::string_view name) -> std::error_code {
    if (op == platform::FolderOp::Open && name == "locked") return std::make_error_code(std::errc::permission_denied);
    return {};
  });
  EXPECT_EQ(asSet(pathsOf(scan(root))), under(root, {"open", "open/x.txt", "locked"}));
}

TEST_F(Walk, AFolderWhoseEntriesCannotBeExaminedIsUnread) {
  dir.write("open/x.txt");
  dir.write("shut/secret.txt");
  dir.write("shut/inner/deeper.txt");
  platform::setFolderFaultHookForTesting([](platform::FolderOp op, std::string_view name) -> std::error_code {
    if (op == platform::FolderOp::Describe && name == "secret.txt")
      return std::make_error_code(std::errc::permission_denied);
    if (op == platform::FolderOp::Describe && name == "x.txt")
      return std::make_error_code(std::errc::no_such_file_or_directory);  // vanished: no fault
    return {};
  });
  std::vector<std::pair<std::string, std::error_code>> unread;
  TDateTime newest = 0;
  TMyDirectory::VisitFiles(
      root, "*.*", true, nullptr, newest, [](const std::string&, const platform::FolderEntry&, TDateTime) {},
      [&](const std::string& folder, std::error_code error) { unread.emplace_back(folder, error); });
  ASSERT_EQ(unread.size(), 1u);
  EXPECT_EQ(unread[0].first, root + nativePath("/shut"));
  EXPECT_EQ(unread[0].second, std::errc::permission_denied);
}

TEST_F(Walk, StopsWhereStopSyncIsSet) {
  for (int i = 0; i < 5; ++i) dir.write("d" + std::to_string(i) + "/sub/f.txt", "x");
  int seen = 0;
  const TMyDirectory::TFilterPredicate stopAfterFive = [&](const std::string&, const platform::FolderEntry&) {
    if (++seen == 5) StopSync = true;
    return true;
  };
  TDateTime newest = -1;
  const auto entries = TMyDirectory::GetFiles(root, "*.*", true, stopAfterFive, newest);
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(entries.size(), 5u);
  expectPreOrder(pathsOf(entries), root);

  // Set before the walk: nothing at all, and no error.
  newest = -1;
  EXPECT_TRUE(scan(root, newest).empty());
  EXPECT_EQ(newest, 0);
}

TEST_F(Walk, VisitorsRunAroundTheDescentAndFalseEndsTheWalk) {
  dir.write("sub/x.txt");
  std::vector<std::string> calls;
  TMyDirectory::WalkDirectory(
      root, "*.*",
      [&](const std::string& folder, const platform::FolderEntry& e) {
        calls.push_back("pre " + folder + PathDelim + std::string(e.name));
        return true;
      },
      [&](const std::string& folder, const platform::FolderEntry& e) {
        calls.push_back("post " + folder + PathDelim + std::string(e.name));
        return true;
      },
      true);
  EXPECT_EQ(calls, (std::vector<std::string>{"pre " + root + nativePath("/sub"),
                                             "pre " + root + nativePath("/sub/x.txt"),
                                             "post " + root + nativePath("/sub/x.txt"),
                                             "post " + root + nativePath("/sub")}));

  for (int i = 0; i < 4; ++i) dir.write("d" + std::to_string(i) + "/a/b.txt");
  int visits = 0;
  TMyDirectory::WalkDirectory(
      root, "*.*", [&](const std::string&, const platform::FolderEntry&) { return ++visits < 3; }, nullptr,
      true);
  EXPECT_EQ(visits, 3);

  // Without recursion only the root's own entries are visited.
  visits = 0;
  TMyDirectory::WalkDirectory(
      root, "*.*", [&](const std::string&, const platform::FolderEntry&) { return ++visits, true; }, nullptr,
      false);
  EXPECT_EQ(visits, 5);
}

TEST_F(Walk, PatternSelectsNamesButEveryFolderIsEntered) {
  dir.write("a.txt");
  dir.write("b.doc");
  dir.write("sub/c.TXT");
  dir.write("sub/d.bin");
  TDateTime newest = 0;
  EXPECT_EQ(asSet(pathsOf(TMyDirectory::GetFiles(root, "*.txt", true, nullptr, newest))),
            under(root, {"a.txt", "sub/c.TXT"}));
  EXPECT_EQ(errorOf<EMaskException>([&] { TMyDirectory::GetFiles(root, "[x", true, nullptr, newest); }),
            "'[x' is an invalid mask at (3)");
  testsupport::TempDir empty;
  EXPECT_TRUE(TMyDirectory::GetFiles(empty.str(), "[x", true, nullptr, newest).empty());
}

TEST_F(Walk, RelativeRootIsWalkedAsGiven) {
  dir.write("rel/x.txt");
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  std::vector<std::string> paths;
  try {
    paths = pathsOf(scan("rel"));
  } catch (...) {
    fs::current_path(before);
    throw;
  }
  fs::current_path(before);
  EXPECT_EQ(paths, std::vector<std::string>{nativePath("rel/x.txt")});
}

TEST_F(Walk, FilterDecidesFilesAndTheNewestTime) {
  dir.write("a.txt", "a");
  dir.write("b.doc", "b");
  dir.write("sub/c.txt", "c");
  dir.write("sub/d.tmp.txt", "d");
  testsupport::setModificationTime(dir.path() / "a.txt", 1500000000);
  testsupport::setModificationTime(dir.path() / "b.doc", 1600000000);  // newest, but left out
  testsupport::setModificationTime(dir.path() / "sub/c.txt", 1400000000);
  testsupport::setModificationTime(dir.path() / "sub/d.tmp.txt", 1450000000);

  const List allow = {"TXT"};
  const List deny = {"bak"};
  TDateTime newest = 0;
  const auto paths = pathsOf(GetFileAry(root, newest, false, allow, deny));
  EXPECT_EQ(asSet(paths), under(root, {"a.txt", "sub", "sub/c.txt", "sub/d.tmp.txt"}));
  EXPECT_EQ(newest, fileTime(1500000000));

  const List onlyDoc = {"doc"};
  EXPECT_EQ(asSet(pathsOf(GetFileAry(root, newest, false, onlyDoc, {}))), under(root, {"b.doc", "sub"}));
  EXPECT_EQ(newest, fileTime(1600000000));

  const List bad = {"[abc"};
  EXPECT_EQ(errorOf<EMaskException>([&] { GetFileAry(root, newest, false, bad, {}); }),
            "'.[ABC' is an invalid mask at (6)");
  // With everything monitored the lists are never read.
  EXPECT_EQ(GetFileAry(root, newest, true, bad, bad).size(), 5u);
}

TEST_F(Walk, RemovesStaleCopyTemporariesAndNeverListsThem) {
  const std::string temp = std::string(platform::kCopyTempPrefix) + "1267-b00c-4711";
  const std::string userFile = std::string(platform::kCopyTempPrefix) + "a.txt.4711";
  dir.write("a.txt");
  dir.write(temp, "half a copy");
  dir.write("sub/" + temp, "another");
  dir.write("sub/" + userFile, "not the copy's name");
  EXPECT_EQ(asSet(pathsOf(scan(root))), under(root, {"a.txt", "sub", "sub/" + userFile}));
  EXPECT_FALSE(fs::exists(dir.path() / temp));
  EXPECT_FALSE(fs::exists(dir.path() / "sub" / temp));
}
