// The job's cases that need POSIX: a folder reached through a symbolic link,
// and the drive's flush seen through the POSIX call table (Windows jobs flush
// each written file instead).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "engine/pThdSync.h"
#include "platform/syscalls.h"
#include "tests/engine/job_folders.h"
#include "tests/engine/job_harness.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"

using testsupport::JobHarness;
using testsupport::kStamp;
using testsupport::setMTime;
using testsupport::TempDir;

namespace {

std::string timed(const std::string& text) { return std::string(kStamp) + "  " + text; }
using Folders = testsupport::JobFolders;
const std::int64_t kT0 = 1'600'000'000;  // 2020-09-13, an even second

}  // namespace

// A link to the outer folder is that folder: the pair still overlaps.
TEST(Job, AFolderReachedThroughALinkStillOverlaps) {
  TempDir top;
  const std::string outer = top.str() + "/outer";
  const std::string inner = outer + "/inner";
  top.write("outer/inner/keep.txt", "k");
  top.write("outer/only-here.txt", "o");
  std::filesystem::create_directory_symlink(outer, top.path() / "link-to-outer");
  const std::string overlap = "同步失败：硬盘监测文件夹与U盘监测文件夹不能相同，也不能一个位于另一个之中：";
  testsupport::expectFailsBeforeReading({top.str() + "/link-to-outer", inner, overlap + inner + "/"});
  EXPECT_EQ(testsupport::readFile(top.path() / "outer/inner/keep.txt"), "k");
  EXPECT_EQ(testsupport::readFile(top.path() / "outer/only-here.txt"), "o");
}

// The closing line means the changes are on the drive, deletions included.
TEST(Job, ARunThatOnlyDeletesFlushesTheTarget) {
  Folders f;
  f.disk.write("same.txt", "s");
  f.usb.write("same.txt", "s");
  setMTime(f.disk.path() / "same.txt", kT0);
  setMTime(f.usb.path() / "same.txt", kT0);
  f.usb.write("extra.txt", "x");
  static int flushes = 0;
  flushes = 0;
  platform::Syscalls table = platform::realSyscalls();
  table.syncfs = [](int fd) {
    ++flushes;
    return platform::realSyscalls().syncfs(fd);
  };
  {
    platform::ScopedSyscallOverride counting(table);
    JobHarness h;
    TJobSettings s = f.settings();
    s.WhenSyncedFolderHasNewFile = 0;
    h.run(TSyncType::DiskSync, s);
    EXPECT_EQ(h.lines().back(), timed("手动同步结束，用时0秒"));
  }
  EXPECT_FALSE(std::filesystem::exists(f.usb.path() / "extra.txt"));
  EXPECT_EQ(flushes, 1);
}

TEST(Job, AFlushTheDriveRefusesIsAnError) {
  // A stick smaller than it claims takes the writes and fails the flush.
  Folders f;
  f.disk.write("new.txt", "n");
  platform::Syscalls table = platform::realSyscalls();
  table.syncfs = [](int) {
    errno = EIO;
    return -1;
  };
  {
    platform::ScopedSyscallOverride failing(table);
    JobHarness h;
    h.run(TSyncType::DiskSync, f.settings());
    const auto lines = h.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "同步出错，请检查");
    EXPECT_EQ(lines[lines.size() - 2],
              "1、写入驱动器错误，数据可能没有保存到驱动器：" + f.usb.str() + "/（驱动器读写出错）");
    EXPECT_EQ(lines.back(), timed("手动同步结束，用时0秒"));
  }
}
