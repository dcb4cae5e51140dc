#include "engine/time_match.h"

#include <gtest/gtest.h>

#include "engine/entry_comparer.h"
#include "inventory/file_store.h"
#include "platform/datetime.h"

namespace {

using platform::DriveFormat;
using platform::FileSystemKind;

const DriveFormat kDisk{};
const DriveFormat kFat{FileSystemKind::Fat, 2000, true, 4294967295};
const DriveFormat kExfat{FileSystemKind::Exfat, 1000, false, 0};

TDateTime base() {
  TDateTime v = 0;
  EXPECT_TRUE(platform::tryEncodeDateTime({2021, 6, 15, 12, 30, 20, 0}, v));
  return v;
}

TDateTime plusMs(TDateTime t, std::int64_t ms) { return t + static_cast<double>(ms) / platform::MSecsPerDay; }

constexpr std::int64_t kHour = 3'600'000;

}  // namespace

TEST(TimeMatch, OrdinaryDrivesStayExact) {
  const TDateTime t = base();
  for (const TTimeMatch& m : {TTimeMatch{}, TTimeMatch(kDisk, kDisk, 26)}) {
    EXPECT_TRUE(m.Exact());
    EXPECT_TRUE(m.Same(t, t, true));
    EXPECT_FALSE(m.Same(t, plusMs(t, 1), true));
    EXPECT_FALSE(m.Same(t, plusMs(t, kHour), true)) << "no shift without a FAT side";
    EXPECT_EQ(m.Order(plusMs(t, 1), t), 1);
    EXPECT_EQ(m.Order(t, plusMs(t, 1)), -1);
    EXPECT_EQ(m.Order(t, t), 0);
  }
}

TEST(TimeMatch, TheCoarserStepOfTheTwoDrives) {
  const TDateTime t = base();
  const TTimeMatch fat(kDisk, kFat, 0), exfat(kExfat, kDisk, 1);
  EXPECT_FALSE(fat.Exact());
  // A sub-second, odd-second source time as FAT keeps it: rounded down to 2 s.
  EXPECT_TRUE(fat.Same(plusMs(t, 1999), t, false));
  EXPECT_TRUE(fat.Same(t, plusMs(t, 1999), true));
  EXPECT_EQ(fat.Order(plusMs(t, 1999), t), 0);
  EXPECT_EQ(fat.Order(t, plusMs(t, 1999)), 0);
  EXPECT_FALSE(fat.Same(plusMs(t, 2000), t, true));
  EXPECT_EQ(fat.Order(plusMs(t, 2000), t), 1);
  EXPECT_EQ(fat.Order(t, plusMs(t, 2500)), -1);
  // exfat-fuse's whole seconds, and the max of both sides when both are coarse.
  EXPECT_TRUE(exfat.Same(plusMs(t, 999), t, false));
  EXPECT_FALSE(exfat.Same(plusMs(t, 1000), t, false));
  EXPECT_TRUE(TTimeMatch(kExfat, kFat, 0).Same(plusMs(t, 1500), t, false));
}

TEST(TimeMatch, WholeHourShiftsOnlyWithAFatSideAndEqualSizes) {
  const TDateTime t = base();
  const TTimeMatch fat(kFat, kDisk, 1);
  EXPECT_TRUE(fat.Same(plusMs(t, kHour), t, true));
  EXPECT_TRUE(fat.Same(t, plusMs(t, kHour), true));
  EXPECT_TRUE(fat.Same(plusMs(t, kHour + 2000), t, true));
  EXPECT_TRUE(fat.Same(plusMs(t, kHour - 2000), t, true));
  EXPECT_FALSE(fat.Same(plusMs(t, kHour + 5000), t, true));
  EXPECT_FALSE(fat.Same(plusMs(t, kHour - 5000), t, true));
  EXPECT_FALSE(fat.Same(plusMs(t, kHour), t, false)) << "different sizes are a change";
  EXPECT_FALSE(fat.Same(plusMs(t, 2 * kHour), t, true)) << "beyond the maximum";
  EXPECT_FALSE(fat.Same(plusMs(t, kHour / 2), t, true)) << "half-hour zones are not taken";
  // The order ignores shifts: a different size decides by time.
  EXPECT_EQ(fat.Order(plusMs(t, kHour), t), 1);

  const TTimeMatch wide(kDisk, kFat, 26), off(kDisk, kFat, 0);
  EXPECT_TRUE(wide.Same(plusMs(t, 3 * kHour + 1500), t, true));
  EXPECT_TRUE(wide.Same(t, plusMs(t, 26 * kHour), true));
  EXPECT_FALSE(wide.Same(t, plusMs(t, 27 * kHour), true));
  EXPECT_FALSE(off.Same(plusMs(t, kHour), t, true));
  // exFAT keeps the zone: no shift is taken for it.
  EXPECT_FALSE(TTimeMatch(kExfat, kDisk, 26).Same(plusMs(t, kHour), t, true));
}

TEST(TimeMatch, TheComparerUsesIt) {
  TFileStore store;
  auto file = [&](const std::string& path, TDateTime time, std::int64_t size) -> TFileInfo& {
    TFileInfo& info = store.Add(path, "a.txt");
    info.LastModifyTime = time;
    info.Size = size;
    return info;
  };
  const std::string first = "/disk/", second = "/usb/";
  const TDateTime t = base();
  const TTimeMatch fat(kDisk, kFat, 1);
  const TEntryComparer onFat(first, second, fat), exact(first, second);
  const TFileInfo& shifted = file("/usb/", plusMs(t, kHour + 1000), 10);
  EXPECT_EQ(onFat(file("/disk/", t, 10), shifted), Same);
  EXPECT_EQ(exact(file("/disk/", t, 10), shifted), TargetNewer);
  // Different sizes within the step: the source wins, as at one time.
  const TFileInfo& rounded = file("/usb/", plusMs(t, 1500), 11);
  EXPECT_EQ(onFat(file("/disk/", t, 10), rounded), SourceNewer);
  EXPECT_EQ(exact(file("/disk/", t, 10), rounded), TargetNewer);
  EXPECT_EQ(onFat(file("/disk/", t, 10), file("/usb/", plusMs(t, 2500), 11)), TargetNewer);
}
