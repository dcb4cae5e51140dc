// Whole synchronisations with the USB folder on a real exFAT drive: letter
// case ignored, coarse file times, no permission bits. The disk folder is an
// ordinary temporary folder. The same scenarios as on two ordinary folders,
// then the faults that only a drive ignoring letter case can show.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/support/exfat_mount.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using testsupport::ExfatMount;
using testsupport::JobHarness;
using testsupport::kStamp;
using testsupport::listing;
using testsupport::readFile;
using testsupport::setMTime;
using testsupport::snapshot;
using testsupport::TempDir;
using testsupport::treeDifferences;

namespace {

const std::string kSeparator = "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~";
const std::int64_t kT0 = 1'600'000'000;  // an even second
// FAT-style drives keep times in steps of up to 2 s.
const std::int64_t kTimeTolerance = 2;
std::string timed(const std::string& text) { return std::string(kStamp) + "  " + text; }
std::string copyBackLine(const std::string& text) { return std::string(kStamp) + text; }

// Writes a file below root, creating its folders, with the given time.
void put(const fs::path& root, const std::string& rel, const std::string& data, std::int64_t seconds,
         long nanoseconds = 0) {
  const fs::path file = root / rel;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << data;
  setMTime(file, seconds, nanoseconds);
}

// The disk folder (a temporary folder) and the USB folder (a folder on the
// drive) of one job.
struct Pair {
  explicit Pair(fs::path driveFolder) : usb(std::move(driveFolder)) { fs::create_directories(usb); }
  TempDir disk;
  fs::path usb;
  bool usbAsDriveRoot = false;  // configured as a drive root is: with a trailing delimiter
  std::string d() const { return disk.str() + "/"; }
  std::string u() const { return usb.string() + "/"; }
  TJobSettings settings(int sameNewer = 2, int targetOnly = 0) const {
    TJobSettings s;
    s.DFolderPath = disk.str();
    s.UFolderAbsPath = usb.string() + (usbAsDriveRoot ? "/" : "");
    s.WhenSyncedFolderHasNewSameFile = static_cast<std::int16_t>(sameNewer);
    s.WhenSyncedFolderHasNewFile = static_cast<std::int16_t>(targetOnly);
    return s;
  }
  std::string differences() const { return treeDifferences(snapshot(disk.path()), snapshot(usb), kTimeTolerance); }
};

std::vector<std::string> tail(const std::vector<std::string>& lines, std::size_t from) {
  return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end()};
}

std::vector<std::string> inStepEnding() {
  return {timed("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"), timed("同步结束，用时0秒")};
}

// A run that found nothing to change: no copy, no phase announced, and a
// closing line (in step, or the end of a change application that had no work).
void expectNothingDone(const JobHarness& h) {
  const auto numbers = h.numbers();
  EXPECT_EQ(std::count(numbers.begin(), numbers.end(), WM_COPYSTART), 0);
  const auto lines = h.lines();
  ASSERT_FALSE(lines.empty());
  for (const auto& line : lines) {
    EXPECT_EQ(line.find("需要"), std::string::npos) << line;
    EXPECT_EQ(line.find("修改文件名"), std::string::npos) << line;
    EXPECT_EQ(line.find("出错"), std::string::npos) << line;
  }
  EXPECT_TRUE(lines.back() == timed("同步结束，用时0秒") || lines.back() == timed("手动同步结束，用时0秒"))
      << lines.back();
}

class ExfatSync : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!ExfatMount::available(why)) GTEST_SKIP() << why;
    drive_ = std::make_unique<ExfatMount>();
  }
  fs::path onDrive(const std::string& name) const { return drive_->path() / name; }
  // Unplugged and plugged in again: later runs see only what the drive stores.
  void replug() { drive_->remount(); }

  std::unique_ptr<ExfatMount> drive_;
};

class ExfatCase : public ExfatSync {};

}  // namespace

// --- The ordinary scenarios, USB side on the drive ---------------------------

TEST_F(ExfatSync, DiskToDriveWithEveryKindOfChange) {
  Pair s(onDrive("sync"));
  // Disk times carry fractions of a second that the drive cannot keep.
  put(s.disk.path(), "keep.txt", "same", kT0, 600'000'000);
  put(s.disk.path(), "upd.txt", "new content", kT0 + 100);
  put(s.disk.path(), "ren_new.txt", "renamed", kT0 + 50);
  put(s.disk.path(), "moved/m.txt", "moved", kT0 + 60);
  put(s.disk.path(), "newdir/n.txt", "n", kT0 + 71, 700'000'000);
  put(s.disk.path(), "newer_on_usb.txt", "v1", kT0);

  put(s.usb, "keep.txt", "same", kT0);
  put(s.usb, "upd.txt", "old", kT0);
  put(s.usb, "ren_old.txt", "renamed", kT0 + 50);
  put(s.usb, "m.txt", "moved", kT0 + 60);
  put(s.usb, "newer_on_usb.txt", "v2-longer", kT0 + 200);
  put(s.usb, "extra.txt", "x", kT0);
  put(s.usb, "extradir/sub/e.txt", "e", kT0);
  // What a copy cut off by a crash left behind: neither counted nor kept.
  put(s.usb, ".~drovan-tmp-dead-1", "partial", kT0);

  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const std::string d = s.d(), u = s.u();
  const std::vector<std::string> expected = {
      kSeparator,
      timed("正在扫描硬主监测文件夹(8个文件夹和文件)"),
      timed("正在扫描U盘监测文件夹(9个文件夹和文件)"),
      timed("强制以硬盘监测文件夹为同步源更新U盘监测文件夹"),
      timed("分析主监测文件夹..."),
      timed("被同步文件夹修改文件名" + u + "ren_old.txt修改为" + u + "ren_new.txt"),
      timed("被同步文件夹需要更新的文件共1个"),
      timed("更新文件" + d + "upd.txt到" + u + "upd.txt 100%"),
      timed("被同步文件夹需要创建的文件夹共2个"),
      timed("创建文件夹" + u + "moved"),
      timed("创建文件夹" + u + "newdir"),
      timed("被同步文件夹需要复制的文件共2个"),
      timed("复制文件" + d + "moved/m.txt到" + u + "moved/m.txt 100%"),
      timed("复制文件" + d + "newdir/n.txt到" + u + "newdir/n.txt 100%"),
      timed("同步文件夹需要更新的文件共1个"),
      timed("更新文件" + u + "newer_on_usb.txt到" + d + "newer_on_usb.txt 100%"),
      timed("被同步文件夹需要删除的文件共3个"),
      timed("被同步文件夹删除文件" + u + "extra.txt"),
      timed("被同步文件夹删除文件" + u + "extradir/sub/e.txt"),
      timed("被同步文件夹删除文件" + u + "m.txt"),
      timed("被同步文件夹需要删除的文件夹共2个"),
      timed("被同步文件夹删除文件夹" + u + "extradir/sub"),
      timed("被同步文件夹删除文件夹" + u + "extradir"),
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(h.lines(), expected);
  EXPECT_EQ(s.differences(), "");
  EXPECT_EQ(readFile(s.disk.path() / "newer_on_usb.txt"), "v2-longer");
  EXPECT_EQ(testsupport::countTempFiles(s.usb), 0u);

  // The drive dropped the fractions; the next runs, either way round, change nothing.
  replug();
  for (TSyncType kind : {TSyncType::AutoSync, TSyncType::DiskSync, TSyncType::USync}) {
    JobHarness again;
    again.run(kind, s.settings());
    expectNothingDone(again);
  }
  EXPECT_EQ(s.differences(), "");
}

TEST_F(ExfatSync, DriveRootToDiskWithEveryKindOfChange) {
  Pair s(drive_->path());
  s.usbAsDriveRoot = true;
  put(s.usb, "keep.txt", "same", kT0);
  put(s.usb, "upd.txt", "new content", kT0 + 100);
  put(s.usb, "ren_new.txt", "renamed", kT0 + 50);
  put(s.usb, "moved/m.txt", "moved", kT0 + 60);
  put(s.usb, "newdir/n.txt", "n", kT0 + 71);
  put(s.usb, "newer_on_disk.txt", "v1", kT0);

  put(s.disk.path(), "keep.txt", "same", kT0);
  put(s.disk.path(), "upd.txt", "old", kT0);
  put(s.disk.path(), "ren_old.txt", "renamed", kT0 + 50);
  put(s.disk.path(), "m.txt", "moved", kT0 + 60);
  put(s.disk.path(), "newer_on_disk.txt", "v2-longer", kT0 + 200);
  put(s.disk.path(), "ro.txt", "read-only", kT0);
  fs::permissions(s.disk.path() / "ro.txt", fs::perms::owner_read);
  put(s.disk.path(), "extradir/sub/e.txt", "e", kT0);

  JobHarness h;
  h.run(TSyncType::USync, s.settings());
  const std::string d = s.d(), u = s.u();
  const std::vector<std::string> expected = {
      kSeparator,
      timed("正在扫描硬主监测文件夹(9个文件夹和文件)"),
      timed("正在扫描U盘监测文件夹(8个文件夹和文件)"),
      timed("强制以U盘监测文件夹为同步源更新硬盘监测文件夹"),
      timed("分析主监测文件夹..."),
      timed("被同步文件夹修改文件名" + d + "ren_old.txt修改为" + d + "ren_new.txt"),
      timed("被同步文件夹需要更新的文件共1个"),
      timed("更新文件" + u + "upd.txt到" + d + "upd.txt 100%"),
      timed("被同步文件夹需要创建的文件夹共2个"),
      timed("创建文件夹" + d + "moved"),
      timed("创建文件夹" + d + "newdir"),
      timed("被同步文件夹需要复制的文件共2个"),
      timed("复制文件" + u + "moved/m.txt到" + d + "moved/m.txt 100%"),
      timed("复制文件" + u + "newdir/n.txt到" + d + "newdir/n.txt 100%"),
      timed("同步文件夹需要更新的文件共1个"),
      timed("更新文件" + d + "newer_on_disk.txt到" + u + "newer_on_disk.txt 100%"),
      timed("被同步文件夹需要删除的文件共3个"),
      timed("被同步文件夹删除文件" + d + "extradir/sub/e.txt"),
      timed("被同步文件夹删除文件" + d + "m.txt"),
      timed("被同步文件夹删除文件" + d + "ro.txt"),
      timed("被同步文件夹需要删除的文件夹共2个"),
      timed("被同步文件夹删除文件夹" + d + "extradir/sub"),
      timed("被同步文件夹删除文件夹" + d + "extradir"),
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(h.lines(), expected);
  EXPECT_EQ(s.differences(), "");
  EXPECT_EQ(readFile(s.usb / "newer_on_disk.txt"), "v2-longer");
  EXPECT_EQ(testsupport::countTempFiles(s.disk.path()), 0u);
  EXPECT_EQ(testsupport::countTempFiles(s.usb), 0u);

  // Whole-second times on both sides now: the next run finds the folders in step.
  replug();
  JobHarness again;
  again.run(TSyncType::AutoSync, s.settings());
  const std::vector<std::string> inStep = {kSeparator,
                                           timed("正在扫描硬主监测文件夹(8个文件夹和文件)"),
                                           timed("正在扫描U盘监测文件夹(8个文件夹和文件)"),
                                           timed("开始自动判断同步源..."),
                                           inStepEnding()[0],
                                           inStepEnding()[1]};
  EXPECT_EQ(again.lines(), inStep);
}

TEST_F(ExfatSync, NewerTargetFileStrategiesBothWays) {
  for (TSyncType kind : {TSyncType::DiskSync, TSyncType::USync}) {
    for (int strategy : {0, 1, 2}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + "/" + std::to_string(strategy));
      Pair s(onDrive("same-" + std::to_string(static_cast<int>(kind)) + "-" + std::to_string(strategy)));
      const bool diskIsSource = kind == TSyncType::DiskSync;
      const fs::path source = diskIsSource ? s.disk.path() : s.usb;
      const fs::path target = diskIsSource ? s.usb : s.disk.path();
      const std::string src = diskIsSource ? s.d() : s.u();
      const std::string dst = diskIsSource ? s.u() : s.d();
      put(source, "a.txt", "old", kT0);
      put(target, "a.txt", "newer", kT0 + 100);
      JobHarness h;
      h.run(kind, s.settings(strategy, 0));
      const auto lines = tail(h.lines(), 5);
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines[0], timed("同步文件夹需要更新的文件共1个"));
      if (strategy == 0) {
        EXPECT_EQ(lines[1], timed("更新文件" + src + "a.txt到" + dst + "a.txt 100%"));
        EXPECT_EQ(readFile(target / "a.txt"), "old");
      } else if (strategy == 1) {
        EXPECT_EQ(lines.size(), 2u);
        EXPECT_EQ(readFile(target / "a.txt"), "newer");
        EXPECT_EQ(readFile(source / "a.txt"), "old");
      } else {
        EXPECT_EQ(lines[1], timed("更新文件" + dst + "a.txt到" + src + "a.txt 100%"));
        EXPECT_EQ(readFile(source / "a.txt"), "newer");
      }
      EXPECT_EQ(lines.back(), timed("手动同步结束，用时0秒"));
      if (strategy != 1) {
        EXPECT_EQ(s.differences(), "");
        replug();
        JobHarness again;
        again.run(TSyncType::AutoSync, s.settings(strategy, 0));
        expectNothingDone(again);
      }
    }
  }
}

TEST_F(ExfatSync, TargetOnlyStrategiesBothWays) {
  for (TSyncType kind : {TSyncType::DiskSync, TSyncType::USync}) {
    for (int strategy : {0, 1, 2}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + "/" + std::to_string(strategy));
      Pair s(onDrive("only-" + std::to_string(static_cast<int>(kind)) + "-" + std::to_string(strategy)));
      const bool diskIsSource = kind == TSyncType::DiskSync;
      const fs::path source = diskIsSource ? s.disk.path() : s.usb;
      const fs::path target = diskIsSource ? s.usb : s.disk.path();
      const std::string src = diskIsSource ? s.d() : s.u();
      const std::string dst = diskIsSource ? s.u() : s.d();
      put(source, "a.txt", "a", kT0);
      put(target, "a.txt", "a", kT0);
      put(target, "only/deeper/o.txt", "o", kT0 + 5);
      JobHarness h;
      h.run(kind, s.settings(2, strategy));
      const auto lines = tail(h.lines(), 5);
      std::vector<std::string> expected;
      if (strategy == 1) {
        expected = {timed("手动同步结束，用时0秒")};
        EXPECT_TRUE(fs::exists(target / "only/deeper/o.txt"));
        EXPECT_FALSE(fs::exists(source / "only"));
      } else if (strategy == 0) {
        expected = {timed("被同步文件夹需要删除的文件共1个"),
                    timed("被同步文件夹删除文件" + dst + "only/deeper/o.txt"),
                    timed("被同步文件夹需要删除的文件夹共2个"),
                    timed("被同步文件夹删除文件夹" + dst + "only/deeper"),
                    timed("被同步文件夹删除文件夹" + dst + "only"),
                    timed("手动同步结束，用时0秒")};
        EXPECT_FALSE(fs::exists(target / "only"));
        EXPECT_EQ(s.differences(), "");
      } else {
        expected = {timed("同步文件夹需要创建的文件夹共2个"),
                    timed("同步文件夹创建文件夹" + src + "only"),
                    timed("同步文件夹创建文件夹" + src + "only/deeper"),
                    timed("被同步文件夹需要复制的文件共1个"),
                    copyBackLine("复制文件" + dst + "only/deeper/o.txt到" + src + "only/deeper/o.txt 100%"),
                    timed("手动同步结束，用时0秒")};
        EXPECT_EQ(s.differences(), "");
      }
      EXPECT_EQ(lines, expected);
      if (strategy != 1) {
        replug();
        JobHarness again;
        again.run(TSyncType::AutoSync, s.settings(2, strategy));
        expectNothingDone(again);
      }
    }
  }
}

TEST_F(ExfatSync, RenameNeedsSameFolderTimeAndSize) {
  Pair s(onDrive("sync"));
  // Two renames in a row, one pair two seconds apart (within the drive's
  // tolerance for equal files, yet no rename), one moved file.
  put(s.disk.path(), "a2.txt", "aaaa", kT0);
  put(s.disk.path(), "b2.txt", "bbbb", kT0 + 2);
  put(s.disk.path(), "c2.txt", "cccc", kT0 + 4);
  put(s.disk.path(), "sub/d.txt", "dddd", kT0 + 8);
  put(s.usb, "a1.txt", "aaaa", kT0);
  put(s.usb, "b1.txt", "bbbb", kT0 + 2);
  put(s.usb, "c1.txt", "cccc", kT0 + 6);
  put(s.usb, "d.txt", "dddd", kT0 + 8);
  fs::create_directory(s.usb / "sub");
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const std::string d = s.d(), u = s.u();
  const std::vector<std::string> expected = {
      timed("被同步文件夹修改文件名" + u + "a1.txt修改为" + u + "a2.txt"),
      timed("被同步文件夹修改文件名" + u + "b1.txt修改为" + u + "b2.txt"),
      timed("被同步文件夹需要复制的文件共2个"),
      timed("复制文件" + d + "c2.txt到" + u + "c2.txt 100%"),
      timed("复制文件" + d + "sub/d.txt到" + u + "sub/d.txt 100%"),
      timed("被同步文件夹需要删除的文件共2个"),
      timed("被同步文件夹删除文件" + u + "c1.txt"),
      timed("被同步文件夹删除文件" + u + "d.txt"),
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(tail(h.lines(), 5), expected);
  EXPECT_EQ(s.differences(), "");
  replug();
  JobHarness again;
  again.run(TSyncType::AutoSync, s.settings());
  expectNothingDone(again);
}

TEST_F(ExfatSync, ErrorsAreNumberedAcrossSteps) {
  {
    // Onto the drive: an update and a new file whose sources vanish.
    Pair s(onDrive("to-drive"));
    put(s.disk.path(), "upd.txt", "newer", kT0 + 10);
    put(s.usb, "upd.txt", "old", kT0);
    put(s.disk.path(), "vanishing.txt", "v", kT0);
    JobHarness h;
    h.onMessage = [&](const testsupport::Recorded& r) {
      if (r.msg == WM_LOGLINE && r.text.find("被同步文件夹需要更新的文件共") != std::string::npos) {
        fs::remove(s.disk.path() / "upd.txt");
        fs::remove(s.disk.path() / "vanishing.txt");
      }
    };
    h.run(TSyncType::DiskSync, s.settings());
    const auto lines = h.lines();
    ASSERT_GE(lines.size(), 4u);
    const std::vector<std::string> expected = {
        "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.u() + "upd.txt",
        "2、复制文件错误，请检查该文件是否正在使用：" + s.d() + "vanishing.txt", timed("手动同步结束，用时0秒")};
    EXPECT_EQ(tail(lines, lines.size() - 4), expected);
    EXPECT_EQ(readFile(s.usb / "upd.txt"), "old");
    EXPECT_EQ(listing(s.usb), "upd.txt");
  }
  {
    // From the drive: a read-only disk file is not updated; a copy back to
    // the drive fails when its source vanishes.
    Pair s(onDrive("from-drive"));
    put(s.usb, "upd.txt", "newer", kT0 + 10);
    put(s.disk.path(), "upd.txt", "old", kT0);
    fs::permissions(s.disk.path() / "upd.txt", fs::perms::owner_read);
    put(s.disk.path(), "back.txt", "b", kT0);
    JobHarness h;
    h.onMessage = [&](const testsupport::Recorded& r) {
      if (r.msg == WM_LOGLINE && r.text.find("被同步文件夹需要复制的文件共") != std::string::npos)
        fs::remove(s.disk.path() / "back.txt");
    };
    h.run(TSyncType::USync, s.settings(2, 2));
    const auto lines = h.lines();
    ASSERT_GE(lines.size(), 4u);
    const std::vector<std::string> expected = {
        "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.d() + "upd.txt",
        "2、复制文件错误，请检查该文件是否正在使用：" + s.u() + "back.txt", timed("手动同步结束，用时0秒")};
    EXPECT_EQ(tail(lines, lines.size() - 4), expected);
    EXPECT_EQ(readFile(s.disk.path() / "upd.txt"), "old");
    EXPECT_EQ(listing(s.usb), "upd.txt");
    EXPECT_EQ(testsupport::countTempFiles(s.usb), 0u);
  }
}

TEST_F(ExfatSync, StopInTheMiddleOfALargeCopyKeepsTheOldFile) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "big.bin", std::string(8 << 20, 'n'), kT0 + 10);
  put(s.usb, "big.bin", "the old version", kT0);
  put(s.disk.path(), "later.txt", "l", kT0);
  JobHarness h;
  int progress = 0;
  h.onMessage = [&](const testsupport::Recorded& r) {
    if (r.msg == WM_COPYPROGRESS && ++progress == 2) StopSync = true;
  };
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(readFile(s.usb / "big.bin"), "the old version");
  EXPECT_EQ(testsupport::countTempFiles(s.usb), 0u);
  EXPECT_EQ(listing(s.usb), "big.bin");
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], timed("停止同步"));
  EXPECT_EQ(lines[lines.size() - 2], timed("被同步文件夹需要复制的文件共1个"));
  EXPECT_EQ(lines.back(), "手动同步被停止！！！");
  const auto numbers = h.numbers();
  EXPECT_EQ(numbers.back(), WM_SYNCEND);
  EXPECT_EQ(std::count(numbers.begin(), numbers.end(), WM_COPYSTOPPED), 1);
}

TEST_F(ExfatSync, StopRightAfterTheFolderCountCreatesNothing) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "dir/x.txt", "x", kT0);
  put(s.disk.path(), "y.txt", "y", kT0);
  JobHarness h;
  h.onMessage = [](const testsupport::Recorded& r) {
    if (r.msg == WM_LOGLINE && r.text.find("被同步文件夹需要创建的文件夹共") != std::string::npos) StopSync = true;
  };
  h.run(TSyncType::DiskSync, s.settings());
  const std::vector<std::string> expected = {timed("被同步文件夹需要创建的文件夹共1个"),
                                             timed("被同步文件夹需要复制的文件共2个"), "手动同步被停止！！！"};
  EXPECT_EQ(tail(h.lines(), 5), expected);
  EXPECT_EQ(listing(s.usb), "");
}

TEST_F(ExfatSync, NamesTheDriveCannotHold) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "a:b.txt", "colon", kT0);
  put(s.disk.path(), "ok.txt", "ok", kT0);
  put(s.disk.path(), "what?.txt", "question", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 4u);
  const std::vector<std::string> expected = {
      "同步出错，请检查", "1、复制文件错误，请检查该文件是否正在使用：" + s.d() + "a:b.txt",
      "2、复制文件错误，请检查该文件是否正在使用：" + s.d() + "what?.txt", timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(lines, lines.size() - 4), expected);
  EXPECT_EQ(listing(s.usb), "ok.txt");

  // A folder the drive cannot create still ends the run, with the job's
  // failure line and its closing message.
  put(s.disk.path(), "x:y/inside.txt", "i", kT0);
  JobHarness again;
  again.run(TSyncType::DiskSync, s.settings());
  const auto more = again.lines();
  ASSERT_GE(more.size(), 2u);
  EXPECT_EQ(more[more.size() - 2], timed("创建文件夹" + s.u() + "x:y"));
  EXPECT_EQ(more.back().rfind(timed("同步失败：I/O error "), 0), 0u) << more.back();
  EXPECT_TRUE(more.back().ends_with("：" + s.u() + "x:y")) << more.back();
  EXPECT_EQ(again.numbers().back(), WM_SYNCEND);
  EXPECT_EQ(listing(s.usb), "ok.txt");
}

TEST_F(ExfatSync, FullDriveKeepsTheOldFile) {
  ExfatMount small(16ull << 20);
  Pair s(small.path() / "sync");
  put(s.usb, "big.bin", "the old version", kT0);
  put(s.disk.path(), "big.bin", std::string(24 << 20, 'b'), kT0 + 10);
  put(s.disk.path(), "small.txt", "small", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 3u);
  const std::vector<std::string> expected = {
      "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.u() + "big.bin",
      timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(lines, lines.size() - 3), expected);
  EXPECT_EQ(readFile(s.usb / "big.bin"), "the old version");
  EXPECT_EQ(readFile(s.usb / "small.txt"), "small");
  EXPECT_EQ(listing(s.usb), "big.bin small.txt");
}

// --- Letter case -------------------------------------------------------------

TEST_F(ExfatCase, TargetOnlySpellingOfACopiedFileIsNotDeleted) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "Report.txt", "new report", kT0 + 10);
  put(s.usb, "REPORT.txt", "old", kT0);
  // Letters beyond ASCII fold too; names without case stay as they are.
  put(s.disk.path(), "sub/Résumé 报告.txt", "new résumé", kT0 + 10);
  put(s.usb, "sub/RÉSUMÉ 报告.TXT", "old", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const std::vector<std::string> expected = {
      timed("被同步文件夹需要复制的文件共2个"),
      timed("复制文件" + s.d() + "Report.txt到" + s.u() + "Report.txt 100%"),
      timed("复制文件" + s.d() + "sub/Résumé 报告.txt到" + s.u() + "sub/Résumé 报告.txt 100%"),
      timed("被同步文件夹需要删除的文件共2个"),
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(tail(h.lines(), 5), expected);
  EXPECT_EQ(listing(s.usb), "Report.txt sub");
  EXPECT_EQ(readFile(s.usb / "Report.txt"), "new report");
  EXPECT_EQ(listing(s.usb / "sub"), "Résumé 报告.txt");
  EXPECT_EQ(readFile(s.usb / "sub/Résumé 报告.txt"), "new résumé");

  replug();
  JobHarness again;
  again.run(TSyncType::AutoSync, s.settings());
  EXPECT_EQ(tail(again.lines(), 4), inStepEnding());
}

TEST_F(ExfatCase, TargetOnlySpellingOfACopiedFileIsNotCopiedBack) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "Report.txt", "new report", kT0 + 10);
  put(s.usb, "REPORT.txt", "old", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings(2, 2));
  // The drive's file is now the disk's: there is nothing to bring back, and a
  // second spelling on the disk would make every later run collide.
  EXPECT_EQ(listing(s.disk.path()), "Report.txt");
  EXPECT_EQ(listing(s.usb), "Report.txt");
  EXPECT_EQ(readFile(s.usb / "Report.txt"), "new report");
  EXPECT_EQ(h.lines().back(), timed("手动同步结束，用时0秒"));

  replug();
  JobHarness again;
  again.run(TSyncType::AutoSync, s.settings(2, 2));
  EXPECT_EQ(tail(again.lines(), 4), inStepEnding());
}

TEST_F(ExfatCase, TwoDiskSpellingsLandingOnOneFile) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "0.txt", "0", kT0);
  put(s.disk.path(), "A.txt", "UPPER", kT0 + 1);
  put(s.disk.path(), "a.txt", "lower!", kT0);
  put(s.disk.path(), "b.txt", "b", kT0);
  put(s.disk.path(), "c.txt", "c", kT0);
  put(s.disk.path(), "sub/A.txt", "sub", kT0);
  const std::vector<std::string> errorTail = {
      "同步出错，请检查", "1、复制文件错误，请检查该文件是否正在使用：" + s.d() + "a.txt",
      timed("手动同步结束，用时0秒")};
  auto copies = [](const JobHarness& h) {
    const auto numbers = h.numbers();
    return std::count(numbers.begin(), numbers.end(), WM_COPYSTART);
  };

  // The first copy stands; the second is refused with its step's error line.
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(tail(h.lines(), h.lines().size() - 3), errorTail);
  EXPECT_EQ(copies(h), 5);
  EXPECT_EQ(listing(s.usb), "0.txt A.txt b.txt c.txt sub");
  EXPECT_EQ(readFile(s.usb / "A.txt"), "UPPER");

  // Every later run reports the clash again and still overwrites nothing,
  // although the drive's file is now paired with the disk's `A.txt`.
  for (TSyncType kind : {TSyncType::AutoSync, TSyncType::DiskSync}) {
    replug();
    JobHarness again;
    again.run(kind, s.settings());
    const auto more = again.lines();
    ASSERT_GE(more.size(), 4u);
    EXPECT_EQ(tail(more, more.size() - 4), (std::vector<std::string>{timed("被同步文件夹需要复制的文件共1个"),
                                                                    errorTail[0], errorTail[1], errorTail[2]}));
    EXPECT_EQ(copies(again), 0);
    EXPECT_EQ(listing(s.usb), "0.txt A.txt b.txt c.txt sub");
    EXPECT_EQ(readFile(s.usb / "A.txt"), "UPPER");
  }
}

TEST_F(ExfatCase, CopyBackOntoAnotherSpellingIsRefused) {
  Pair s(onDrive("sync"));
  put(s.usb, "a.txt", "usb a", kT0);
  put(s.disk.path(), "a.txt", "usb a", kT0);
  put(s.disk.path(), "A.txt", "disk-only A", kT0 + 1);
  JobHarness h;
  h.run(TSyncType::USync, s.settings(2, 2));
  const std::vector<std::string> expected = {
      timed("被同步文件夹需要复制的文件共1个"), "同步出错，请检查",
      "1、复制文件错误，请检查该文件是否正在使用：" + s.u() + "A.txt", timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(h.lines(), 5), expected);
  EXPECT_EQ(listing(s.usb), "a.txt");
  EXPECT_EQ(readFile(s.usb / "a.txt"), "usb a");
  EXPECT_EQ(readFile(s.disk.path() / "A.txt"), "disk-only A");
}

TEST_F(ExfatCase, FolderSpelledOtherwiseOnTheDrive) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "Docs/x.txt", "x", kT0);
  put(s.disk.path(), "Docs/Sub/z.txt", "z", kT0 + 2);
  put(s.usb, "docs/old.txt", "old", kT0);
  put(s.usb, "docs/sub/z.txt", "z", kT0 + 2);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const std::string d = s.d(), u = s.u();
  // The run goes on past the folder that exists in another spelling, and the
  // folder, holding what this run copied, is not removed.
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 5u);
  const std::vector<std::string> expected = {
      timed("被同步文件夹需要创建的文件夹共2个"),
      timed("创建文件夹" + u + "Docs"),
      timed("创建文件夹" + u + "Docs/Sub"),
      timed("被同步文件夹需要复制的文件共2个"),
      timed("复制文件" + d + "Docs/Sub/z.txt到" + u + "Docs/Sub/z.txt 100%"),
      timed("复制文件" + d + "Docs/x.txt到" + u + "Docs/x.txt 100%"),
      timed("被同步文件夹需要删除的文件共2个"),
      timed("被同步文件夹删除文件" + u + "docs/old.txt"),
      timed("被同步文件夹需要删除的文件夹共2个"),
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(tail(lines, 5), expected);
  EXPECT_EQ(readFile(s.usb / "Docs/x.txt"), "x");
  EXPECT_EQ(readFile(s.usb / "Docs/Sub/z.txt"), "z");
  // Listed rather than looked up: FUSE may answer a name through another
  // spelling's cached entry for a second after the change.
  EXPECT_EQ(listing(s.usb / "Docs"), "Sub x.txt");

  // The drive now spells the folders as the disk does, so the next run is in step.
  EXPECT_EQ(listing(s.usb), "Docs");
  EXPECT_EQ(s.differences(), "");
  replug();
  JobHarness again;
  again.run(TSyncType::AutoSync, s.settings());
  EXPECT_EQ(tail(again.lines(), 4), inStepEnding());
}

TEST_F(ExfatCase, CaseOnlyRename) {
  Pair s(onDrive("sync"));
  put(s.disk.path(), "Report.txt", "report", kT0);
  put(s.disk.path(), "sub/Notes.TXT", "notes", kT0 + 2);
  put(s.usb, "REPORT.txt", "report", kT0);
  put(s.usb, "sub/notes.txt", "notes", kT0 + 2);
  JobHarness h;
  h.run(TSyncType::AutoSync, s.settings());
  const std::string u = s.u();
  const std::vector<std::string> expected = {
      timed("被同步文件夹修改文件名" + u + "REPORT.txt修改为" + u + "Report.txt"),
      timed("被同步文件夹修改文件名" + u + "sub/notes.txt修改为" + u + "sub/Notes.TXT"),
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(tail(h.lines(), 6), expected);
  EXPECT_EQ(listing(s.usb), "Report.txt sub");
  EXPECT_EQ(listing(s.usb / "sub"), "Notes.TXT");
  EXPECT_EQ(s.differences(), "");

  replug();
  JobHarness again;
  again.run(TSyncType::AutoSync, s.settings());
  EXPECT_EQ(tail(again.lines(), 4), inStepEnding());
}
