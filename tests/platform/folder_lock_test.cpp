// Folder locks: one holder per folder whichever path reaches it, released
// with the lock object and with the process that held it; on ordinary
// folders and on a real exFAT drive through FUSE.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/folder_lock.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

using platform::FolderLock;
using testsupport::ExfatMount;
using testsupport::ForkedChild;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// A child process holding the lock on folder (when it could take it).
std::unique_ptr<ForkedChild> lockingChild(const std::string& folder) {
  return std::make_unique<ForkedChild>([folder] {
    // Static, so the child holds it until its end, which runs no destructors.
    static std::optional<FolderLock> lock;
    lock.emplace(folder);
    return lock->held();
  });
}

void expectCollides(const std::string& first, const std::string& second) {
  FolderLock a(first);
  ASSERT_TRUE(a.held()) << platform::describe(a.status());
  FolderLock b(second);
  EXPECT_FALSE(b.held()) << second;
  EXPECT_TRUE(b.heldElsewhere()) << platform::describe(b.status());
  EXPECT_EQ(b.status().path, second);
}

}  // namespace

TEST(FolderLock, OneHolderWhicheverPathReachesTheFolder) {
  TempDir t;
  const fs::path folder = t.mkdir("同步/资料");
  fs::create_directory_symlink(folder, t.path() / "link");
  fs::create_directory_symlink("同步", t.path() / "relative");
  expectCollides(folder.string(), folder.string());
  expectCollides(folder.string(), (t.path() / "link").string());
  expectCollides((t.path() / "link/").string(), folder.string());
  expectCollides(folder.string(), (t.path() / "relative/../同步/./资料/").string());

  // Another folder, even the parent or a child, is free.
  FolderLock a(folder.string());
  const fs::path child = t.mkdir("同步/资料/下");
  EXPECT_TRUE(FolderLock(child.string()).held());
  EXPECT_TRUE(FolderLock((t.path() / "同步").string()).held());
  EXPECT_TRUE(a.covers((t.path() / "link").string()));
  EXPECT_FALSE(a.covers(child.string()));
}

TEST(FolderLock, ReleasedWithTheObjectAndMovedWithIt) {
  TempDir t;
  const std::string folder = t.mkdir("a").string();
  {
    FolderLock a(folder);
    ASSERT_TRUE(a.held());
    FolderLock moved(std::move(a));
    EXPECT_FALSE(a.held());
    EXPECT_TRUE(moved.held());
    EXPECT_FALSE(FolderLock(folder).held());
    FolderLock assigned;
    assigned = std::move(moved);
    EXPECT_FALSE(FolderLock(folder).held());
  }
  EXPECT_TRUE(FolderLock(folder).held());
  // The lock needs nothing inside the folder.
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST(FolderLock, ReleasedWhenTheHoldingProcessEnds) {
  TempDir t;
  const std::string folder = t.mkdir("a").string();
  {
    auto child = lockingChild(folder);
    ASSERT_TRUE(child->result());
    EXPECT_TRUE(FolderLock(folder).heldElsewhere());
    child->kill(SIGKILL);
    EXPECT_TRUE(FolderLock(folder).held());
  }
  {
    auto child = lockingChild(folder);
    ASSERT_TRUE(child->result());
    EXPECT_FALSE(FolderLock(folder).held());
    child->exitNormally();
    EXPECT_TRUE(FolderLock(folder).held());
  }
  // A lock held here keeps a child out.
  FolderLock mine(folder);
  EXPECT_FALSE(lockingChild(folder)->result());
}

TEST(FolderLock, WhatCannotBeLockedSaysWhy) {
  TempDir t;
  const FolderLock missing((t.path() / "gone").string());
  EXPECT_FALSE(missing.held());
  EXPECT_FALSE(missing.heldElsewhere());
  EXPECT_EQ(missing.status().operation, "open");
  EXPECT_EQ(missing.status().code, std::errc::no_such_file_or_directory);
  const FolderLock file(t.write("f.txt", "x").string());
  EXPECT_FALSE(file.held());
  EXPECT_EQ(file.status().code, std::errc::not_a_directory);
  EXPECT_FALSE(FolderLock().held());
}

TEST(FolderLock, WorksOnAnExfatDriveThroughFuse) {
  std::string why;
  if (!ExfatMount::available(why)) GTEST_SKIP() << why;
  ExfatMount usb;
  const fs::path folder = usb.path() / "Sync";
  fs::create_directory(folder);
  expectCollides(folder.string(), folder.string());
  // The drive ignores letter case: another spelling is the same folder.
  expectCollides(folder.string(), (usb.path() / "SYNC").string());
  expectCollides((usb.path() / "sync").string(), folder.string());
  expectCollides(usb.str(), usb.str() + "/.");
  {
    auto child = lockingChild((usb.path() / "sYnC").string());
    ASSERT_TRUE(child->result());
    EXPECT_TRUE(FolderLock(folder.string()).heldElsewhere());
    child->kill(SIGKILL);
  }
  EXPECT_TRUE(FolderLock(folder.string()).held());
  EXPECT_TRUE(fs::is_empty(folder));
}
