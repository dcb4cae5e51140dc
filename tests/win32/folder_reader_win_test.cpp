// Reading folders on Windows: what an entry carries, the copy's temporary
// files, children, and faults injected through the hook.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "platform/file_ops.h"
#include "platform/folder_reader.h"
#include "platform/win32/win_calls.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;

class WinFolderReader : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = tempFolder() + "drovan-reader-" + std::to_string(std::random_device{}());
    ASSERT_TRUE(makeFolders(dir + "\\子目录"));
    ASSERT_TRUE(writeFileUtf8(dir + "\\文件.txt", "12345"));
    ASSERT_TRUE(writeFileUtf8(dir + "\\子目录\\内.txt", "x"));
  }
  void TearDown() override {
    platform::setFolderFaultHookForTesting(nullptr);
    removeAll(dir);
  }
  std::string dir;
};

TEST_F(WinFolderReader, DescribesEachEntryOnceWithItsIdentity) {
  ASSERT_TRUE(writeFileUtf8(dir + "\\.~drovan-tmp-1-2-3", "left by a crash"));
  platform::FolderReader reader;
  ASSERT_FALSE(reader.open(dir));
  EXPECT_EQ(reader.id(), platform::fileIdentity(dir).value());
  reader.setRemoveCopyTemps(true);
  std::map<std::string, platform::FolderEntry> seen;
  platform::FolderEntry entry;
  while (reader.next(entry)) seen[std::string(entry.name)] = entry;
  EXPECT_FALSE(reader.error());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen["子目录"].isFolder);
  EXPECT_EQ(seen["子目录"].size, 0);
  EXPECT_FALSE(seen["文件.txt"].isFolder);
  EXPECT_EQ(seen["文件.txt"].size, 5);
  EXPECT_EQ(seen["文件.txt"].id, platform::fileIdentity(dir + "\\文件.txt").value());
  EXPECT_GT(seen["文件.txt"].mtimeSeconds, 1'500'000'000);
  EXPECT_FALSE(fileExists(dir + "\\.~drovan-tmp-1-2-3"));
}

TEST_F(WinFolderReader, ChildrenOpenFromTheirParentUntilItIsReleased) {
  platform::FolderReader parent, child;
  ASSERT_FALSE(parent.open(dir + "\\"));
  ASSERT_FALSE(child.openChild(parent, "子目录"));
  platform::FolderEntry entry;
  ASSERT_TRUE(child.next(entry));
  EXPECT_EQ(entry.name, "内.txt");
  EXPECT_FALSE(child.next(entry));

  parent.readAllAndRelease();
  EXPECT_FALSE(parent.isOpen());
  EXPECT_EQ(child.openChild(parent, "子目录"), std::errc::bad_file_descriptor);
  int served = 0;
  while (parent.next(entry)) ++served;
  EXPECT_EQ(served, 2);
}

TEST_F(WinFolderReader, MissingFoldersAndInjectedFaultsAreReported) {
  platform::FolderReader reader;
  EXPECT_EQ(reader.open(dir + "\\没有"), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(reader.isOpen());
  EXPECT_TRUE(reader.open(dir + "\\文件.txt"));

  platform::setFolderFaultHookForTesting([](platform::FolderOp op, std::string_view name) -> std::error_code {
    if (op == platform::FolderOp::Describe && name == "文件.txt") return std::make_error_code(std::errc::io_error);
    return {};
  });
  ASSERT_FALSE(reader.open(dir));
  platform::FolderEntry entry;
  while (reader.next(entry)) {
  }
  EXPECT_EQ(reader.error(), std::errc::io_error);
}

// The leftover's delete goes through the call table like every other
// delete: when it fails the file stays, hidden, and the listing is unharmed.
TEST_F(WinFolderReader, ALeftoverThatCannotBeRemovedStaysHidden) {
  const std::string temp = dir + "\\.~drovan-tmp-4d2-9f00aa-0";
  ASSERT_TRUE(writeFileUtf8(temp, "partial"));
  platform::win32::WinCalls calls = platform::win32::realWinCalls();
  calls.deleteFile = [](LPCWSTR) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  };
  int listed = 0;
  platform::FolderEntry entry;
  {
    const platform::win32::ScopedWinCallOverride failing(calls);
    platform::FolderReader reader;
    reader.setRemoveCopyTemps(true);
    ASSERT_FALSE(reader.open(dir));
    while (reader.next(entry)) ++listed;
    EXPECT_FALSE(reader.error());
  }
  EXPECT_EQ(listed, 2);
  EXPECT_EQ(readFileUtf8(temp), "partial");

  platform::FolderReader later;
  later.setRemoveCopyTemps(true);
  ASSERT_FALSE(later.open(dir));
  listed = 0;
  while (later.next(entry)) ++listed;
  EXPECT_EQ(listed, 2);
  EXPECT_FALSE(fileExists(temp));
}

}  // namespace
