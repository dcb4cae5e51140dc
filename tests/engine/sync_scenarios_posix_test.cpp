// Whole runs on each drive that need POSIX: a temporary file held by
// another run's flock, and a sparse file's holes.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/pThdSync.h"
#include "platform/file_ops.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/held_file.h"
#include "tests/support/sparse_file.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

class SyncScenarioOnPosix : public OnEachDrive {
 protected:
  void replug() { drive_->replug(); }
};

}  // namespace

// A name that only starts like the copy's temporary files is the user's and
// takes part like any other; a temporary file that a running copy (of
// another run) holds is neither listed nor removed; one that nobody holds
// is a crash's leftover and goes.
TEST_P(SyncScenarioOnPosix, OnlyLeftoversOfTheCopysOwnFormAreRemoved) {
  Pair s(onDrive("sync"), tolerance());
  const std::string held = ".~drovan-tmp-4d2-beef-0", dead = ".~drovan-tmp-4d2-beef-1";
  put(s.disk.path(), "a.txt", "a", kT0);
  put(s.disk.path(), ".~drovan-tmp-notes.txt", "the user's notes", kT0);
  put(s.usb, ".~drovan-tmp-draft", "the user's draft", kT0);
  put(s.usb, held, "another run's copy in progress", kT0);
  put(s.usb, dead, "partial", kT0);
  {
    HeldFile otherRun(s.usb / held);
    JobHarness h;
    h.run(TSyncType::DiskSync, s.settings(2, 2));
    const auto lines = h.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], timed("正在扫描硬主监测文件夹(2个文件夹和文件)"));
    EXPECT_EQ(lines[2], timed("正在扫描U盘监测文件夹(1个文件夹和文件)"));
    EXPECT_EQ(readFile(s.usb / held), "another run's copy in progress");
    EXPECT_FALSE(fs::exists(s.usb / dead));
  }
  EXPECT_EQ(readFile(s.usb / ".~drovan-tmp-notes.txt"), "the user's notes");
  EXPECT_EQ(readFile(s.usb / ".~drovan-tmp-draft"), "the user's draft");
  EXPECT_EQ(readFile(s.disk.path() / ".~drovan-tmp-draft"), "the user's draft");
  EXPECT_EQ(readFile(s.usb / "a.txt"), "a");

  // Once nobody holds it, it is a leftover like any other.
  JobHarness next;
  next.run(TSyncType::DiskSync, s.settings(2, 2));
  EXPECT_FALSE(fs::exists(s.usb / held));
  EXPECT_EQ(s.differences(), "");
}

// A large file holding little data: the drive receives its holes where it
// can keep them, and its zeros where it cannot (exFAT); either way the run
// succeeds.
TEST_P(SyncScenarioOnPosix, ASparseFileArrivesWholeAndKeepsItsHolesWhereTheDriveCan) {
  Pair s(onDrive("sync"), tolerance());
  const std::int64_t MiB = platform::kCopyChunkSize, size = 48 * MiB;
  writeSparseFile(s.disk.path() / "disk.img", size, {{7 * MiB + 1, patternBytes(200'000, 6)}, {30 * MiB, "end of data"}});
  setMTime(s.disk.path() / "disk.img", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], timed("复制文件" + s.d() + "disk.img到" + s.u() + "disk.img 100%"));
  EXPECT_EQ(lines.back().rfind(timed("手动同步结束，用时"), 0), 0u) << lines.back();
  replug();
  EXPECT_TRUE(readFile(s.usb / "disk.img") == readFile(s.disk.path() / "disk.img"));
  if (GetParam() == DriveKind::Folder && holesKeptIn(s.usb)) {
    EXPECT_LT(allocatedBytes(s.usb / "disk.img"), 4 * MiB);
  }
  EXPECT_EQ(s.differences(), "");
}

INSTANTIATE_TEST_SUITE_P(Drives, SyncScenarioOnPosix, EachDrive(), DriveName);
