// Whole synchronisations onto FAT32 and exFAT drives, whose times are
// coarser than the disk's, and onto a FAT32 drive moved to another time
// zone: after one run the next finds the folders in step.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/fuse_mount.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const TSyncType kEveryMode[] = {TSyncType::AutoSync, TSyncType::DiskSync, TSyncType::USync};

std::string modeName(TSyncType kind) {
  switch (kind) {
    case TSyncType::AutoSync: return "auto";
    case TSyncType::DiskSync: return "disk-to-usb";
    case TSyncType::USync: return "usb-to-disk";
    default: return "other";
  }
}

// Odd seconds and fractions that neither stick keeps.
void putOddTimes(const fs::path& root) {
  put(root, "odd.txt", "odd second", kT0 + 1);
  put(root, "fraction.txt", "fraction", kT0 + 2, 999'000'000);
  put(root, "sub/both.txt", "both", kT0 + 7, 300'000'000);
  put(root, "sub/even.txt", "even", kT0 + 10);
}

// Every mode finds the folders in step and does nothing.
void expectInStepEveryMode(const TJobSettings& settings) {
  for (TSyncType kind : kEveryMode) {
    SCOPED_TRACE("again " + modeName(kind));
    JobHarness h;
    h.run(kind, settings);
    expectNothingDone(h);
    EXPECT_EQ(h.outcome().End, TJobEnd::InStep);
    EXPECT_EQ(tail(h.lines(), h.lines().size() - 2), inStepEnding());
  }
}

class DriveTimes : public OnEachDrive {};

// A drive of its own for each test, mounted in the time zone given.
template <typename Mount>
std::unique_ptr<Mount> mountIn(const std::string& tz) {
  std::string why;
  if (!Mount::available(why)) return nullptr;
  return std::make_unique<Mount>(64ull << 20, tz);
}

}  // namespace

TEST_P(DriveTimes, InStepAfterOneRunInEveryMode) {
  for (TSyncType first : kEveryMode) {
    SCOPED_TRACE("first " + modeName(first));
    Pair s(onDrive("sync-" + modeName(first)), tolerance());
    putOddTimes(first == TSyncType::USync ? s.usb : s.disk.path());
    JobHarness h;
    h.run(first, s.settings());
    EXPECT_EQ(h.outcome().End, TJobEnd::Done);
    EXPECT_EQ(h.outcome().Done.Copied, 4);
    EXPECT_EQ(s.differences(), "");
    drive_->replug();
    expectInStepEveryMode(s.settings());
    EXPECT_EQ(s.differences(), "");
  }
}

TEST_P(DriveTimes, ARenamedFileIsRenamedOnTheDrive) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "photo.jpg", "jpeg data", kT0 + 3, 450'000'000);
  put(s.disk.path(), "other.txt", "same size", kT0 + 5, 10'000'000);
  JobHarness first;
  first.run(TSyncType::DiskSync, s.settings());
  ASSERT_EQ(first.outcome().Done.Copied, 2);
  drive_->replug();
  fs::rename(s.disk.path() / "photo.jpg", s.disk.path() / "holiday.jpg");
  for (TSyncType kind : {TSyncType::AutoSync, TSyncType::DiskSync}) {
    SCOPED_TRACE(modeName(kind));
    JobHarness h;
    h.run(kind, s.settings());
    const auto lines = h.lines();
    ASSERT_GE(lines.size(), 2u);
    if (kind == TSyncType::AutoSync) {
      EXPECT_EQ(lines[lines.size() - 2],
                timed("被同步文件夹修改文件名" + s.u() + "photo.jpg修改为" + s.u() + "holiday.jpg"));
      EXPECT_EQ(h.outcome().Done.Renamed, 1);
      EXPECT_EQ(h.outcome().Done.Copied + h.outcome().Done.Deleted, 0);
      EXPECT_EQ(readFile(s.usb / "holiday.jpg"), "jpeg data");
      EXPECT_FALSE(fs::exists(s.usb / "photo.jpg"));
    } else {
      EXPECT_EQ(h.outcome().End, TJobEnd::InStep);
    }
  }
  EXPECT_EQ(s.differences(), "");
}

INSTANTIATE_TEST_SUITE_P(Drives, DriveTimes, EachDrive(), DriveName);

TEST(FatTimeZone, AStickFromAnotherZoneIsInStep) {
  auto usb = mountIn<FatMount>("UTC");
  if (!usb) GTEST_SKIP() << "no FAT32 test drive";
  Pair s(usb->path() / "sync", 2);
  putOddTimes(s.disk.path());
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  ASSERT_EQ(h.outcome().Done.Copied, 4);

  // One hour east: every time on the stick reads an hour earlier.
  usb->remount("Etc/GMT-1");
  {
    SCOPED_TRACE("one hour");
    // Stored as 1600000000 (odd second rounded down), read an hour earlier.
    EXPECT_EQ(mtimeNs(s.usb / "odd.txt") / 1'000'000'000, kT0 - 3600);
    expectInStepEveryMode(s.settings());
  }
  // Three hours: only with the setting at 3.
  usb->remount("Etc/GMT-3");
  TJobSettings wide = s.settings();
  wide.FatHours = 3;
  {
    SCOPED_TRACE("three hours, setting 3");
    expectInStepEveryMode(wide);
  }
  SCOPED_TRACE("three hours, default");
  JobHarness moved;
  moved.run(TSyncType::AutoSync, s.settings());
  EXPECT_EQ(moved.outcome().End, TJobEnd::Done);
  EXPECT_EQ(moved.outcome().Done.Updated, 4);
  const auto lines = moved.lines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[4], timed("硬盘监测文件夹文件最后更新时间较新，以硬盘监测文件夹为架构同步U盘监测文件夹"));
}

TEST(FatTimeZone, ExfatKeepsTheZoneAndNeedsNoShift) {
  auto usb = mountIn<ExfatMount>("UTC");
  if (!usb) GTEST_SKIP() << "no exFAT test drive";
  Pair s(usb->path() / "sync", 2);
  putOddTimes(s.disk.path());
  TJobSettings settings = s.settings();
  settings.FatHours = 0;
  JobHarness h;
  h.run(TSyncType::DiskSync, settings);
  ASSERT_EQ(h.outcome().Done.Copied, 4);
  usb->remount("Etc/GMT-1");
  EXPECT_EQ(mtimeNs(s.usb / "odd.txt") / 1'000'000'000, kT0 + 1);
  expectInStepEveryMode(settings);
  EXPECT_EQ(s.differences(), "");
}
