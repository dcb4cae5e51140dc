// Folder locks on Windows: one holder per folder, whatever path names it,
// and the lock gone with its holder.
#include <gtest/gtest.h>

#include <random>

#include "platform/folder_lock.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;

TEST(WinFolderLock, OneHolderPerFolderWhateverPathNamesIt) {
  const std::string dir = tempFolder() + "drovan-lock-" + std::to_string(std::random_device{}());
  ASSERT_TRUE(makeFolders(dir + "\\同步"));
  {
    platform::FolderLock first(dir + "\\同步");
    ASSERT_TRUE(first.held()) << platform::describe(first.status());
    EXPECT_TRUE(first.covers(dir + "/同步/"));
    EXPECT_FALSE(first.covers(dir));

    platform::FolderLock second(dir + "/同步\\");
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.heldElsewhere());

    platform::FolderLock other(dir);
    EXPECT_TRUE(other.held());

    platform::FolderLock moved(std::move(first));
    EXPECT_TRUE(moved.held());
  }
  platform::FolderLock again(dir + "\\同步");
  EXPECT_TRUE(again.held());
  platform::FolderLock missing(dir + "\\没有");
  EXPECT_FALSE(missing.held());
  EXPECT_FALSE(missing.heldElsewhere());
  EXPECT_EQ(missing.status().operation, "open");
  removeAll(dir);
}

}  // namespace
