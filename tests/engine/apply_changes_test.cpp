// Whole synchronisations on real trees: the log, line by line, and the
// resulting trees, file by file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using testsupport::JobHarness;
using testsupport::kStamp;
using testsupport::readFile;
using testsupport::setMTime;
using testsupport::snapshot;
using testsupport::TempDir;

namespace {

const std::string kSeparator = "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~";
const std::int64_t kT0 = 1'600'000'000;
std::string timed(const std::string& text) { return std::string(kStamp) + "  " + text; }

struct Sync {
  TempDir disk, usb;
  std::string d() const { return disk.str() + "/"; }
  std::string u() const { return usb.str() + "/"; }
  TJobSettings settings(int sameNewer = 2, int targetOnly = 0) const {
    TJobSettings s;
    s.DFolderPath = disk.str();
    s.UFolderAbsPath = usb.str();
    s.WhenSyncedFolderHasNewSameFile = static_cast<std::int16_t>(sameNewer);
    s.WhenSyncedFolderHasNewFile = static_cast<std::int16_t>(targetOnly);
    return s;
  }
  void file(const TempDir& side, const std::string& rel, const std::string& data, std::int64_t t) const {
    setMTime(side.write(rel, data), t);
  }
};

std::vector<std::string> tail(const std::vector<std::string>& lines, std::size_t from) {
  return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end()};
}

}  // namespace

TEST(Apply, FullSyncWithEveryKindOfChange) {
  Sync s;
  s.file(s.disk, "keep.txt", "same", kT0);
  s.file(s.disk, "upd.txt", "new content", kT0 + 100);
  s.file(s.disk, "ren_new.txt", "renamed", kT0 + 50);
  s.file(s.disk, "moved/m.txt", "moved", kT0 + 60);
  s.file(s.disk, "newdir/n.txt", "n", kT0 + 70);
  s.file(s.disk, "newer_on_usb.txt", "v1", kT0);

  s.file(s.usb, "keep.txt", "same", kT0);
  s.file(s.usb, "upd.txt", "old", kT0);
  s.file(s.usb, "ren_old.txt", "renamed", kT0 + 50);
  s.file(s.usb, "m.txt", "moved", kT0 + 60);
  s.file(s.usb, "newer_on_usb.txt", "v2-longer", kT0 + 200);
  s.file(s.usb, "extra.txt", "x", kT0);
  s.file(s.usb, "extradir/sub/e.txt", "e", kT0);

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
  EXPECT_EQ(snapshot(s.disk.path()), snapshot(s.usb.path()));
  EXPECT_EQ(readFile(s.disk.path() / "newer_on_usb.txt"), "v2-longer");
  EXPECT_EQ(testsupport::countTempFiles(s.usb.path()), 0u);

  // A second run finds nothing to do.
  JobHarness again;
  again.run(TSyncType::AutoSync, s.settings());
  const auto lines = again.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[lines.size() - 2], timed("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"));
}

TEST(Apply, NewerTargetFileStrategies) {
  for (int strategy : {0, 1, 2}) {
    Sync s;
    s.file(s.disk, "a.txt", "old", kT0);
    s.file(s.usb, "a.txt", "newer", kT0 + 100);
    JobHarness h;
    h.run(TSyncType::DiskSync, s.settings(strategy, 0));
    const auto lines = tail(h.lines(), 5);
    ASSERT_FALSE(lines.empty()) << strategy;
    EXPECT_EQ(lines[0], timed("同步文件夹需要更新的文件共1个"));
    if (strategy == 0) {
      EXPECT_EQ(lines[1], timed("更新文件" + s.d() + "a.txt到" + s.u() + "a.txt 100%"));
      EXPECT_EQ(readFile(s.usb.path() / "a.txt"), "old");
    } else if (strategy == 1) {
      EXPECT_EQ(lines.size(), 2u);
      EXPECT_EQ(readFile(s.usb.path() / "a.txt"), "newer");
      EXPECT_EQ(readFile(s.disk.path() / "a.txt"), "old");
    } else {
      EXPECT_EQ(readFile(s.disk.path() / "a.txt"), "newer");
    }
    EXPECT_EQ(lines.back(), timed("手动同步结束，用时0秒"));
  }
}

TEST(Apply, TargetOnlyStrategies) {
  for (int strategy : {0, 1, 2}) {
    Sync s;
    s.file(s.disk, "a.txt", "a", kT0);
    s.file(s.usb, "a.txt", "a", kT0);
    s.file(s.usb, "only/o.txt", "o", kT0 + 5);
    JobHarness h;
    h.run(TSyncType::DiskSync, s.settings(2, strategy));
    const auto lines = tail(h.lines(), 5);
    if (strategy == 1) {
      const std::vector<std::string> expected = {timed("手动同步结束，用时0秒")};
      EXPECT_EQ(lines, expected);
      EXPECT_TRUE(fs::exists(s.usb.path() / "only/o.txt"));
    } else if (strategy == 0) {
      const std::vector<std::string> expected = {
          timed("被同步文件夹需要删除的文件共1个"), timed("被同步文件夹删除文件" + s.u() + "only/o.txt"),
          timed("被同步文件夹需要删除的文件夹共1个"), timed("被同步文件夹删除文件夹" + s.u() + "only"),
          timed("手动同步结束，用时0秒")};
      EXPECT_EQ(lines, expected);
      EXPECT_FALSE(fs::exists(s.usb.path() / "only"));
    } else {
      const std::vector<std::string> expected = {
          timed("同步文件夹需要创建的文件夹共1个"), timed("同步文件夹创建文件夹" + s.d() + "only"),
          timed("被同步文件夹需要复制的文件共1个"),
          std::string(kStamp) + "复制文件" + s.u() + "only/o.txt到" + s.d() + "only/o.txt 100%",
          timed("手动同步结束，用时0秒")};
      EXPECT_EQ(lines, expected);
      EXPECT_EQ(snapshot(s.disk.path()), snapshot(s.usb.path()));
    }
  }
}

TEST(Apply, RenameNeedsSameFolderTimeAndSize) {
  Sync s;
  // Two renames in a row, one pair a second apart (no rename), one moved file.
  s.file(s.disk, "a2.txt", "aaaa", kT0);
  s.file(s.disk, "b2.txt", "bbbb", kT0 + 2);
  s.file(s.disk, "c2.txt", "cccc", kT0 + 4);
  s.file(s.disk, "sub/d.txt", "dddd", kT0 + 6);
  s.file(s.usb, "a1.txt", "aaaa", kT0);
  s.file(s.usb, "b1.txt", "bbbb", kT0 + 2);
  s.file(s.usb, "c1.txt", "cccc", kT0 + 5);
  s.file(s.usb, "d.txt", "dddd", kT0 + 6);
  s.usb.mkdir("sub");
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  EXPECT_EQ(lines[5], timed("被同步文件夹修改文件名" + s.u() + "a1.txt修改为" + s.u() + "a2.txt"));
  EXPECT_EQ(lines[6], timed("被同步文件夹修改文件名" + s.u() + "b1.txt修改为" + s.u() + "b2.txt"));
  EXPECT_EQ(lines[7], timed("被同步文件夹需要复制的文件共2个"));
  EXPECT_EQ(snapshot(s.disk.path()), snapshot(s.usb.path()));
}

TEST(Apply, ErrorsAreNumberedAcrossSteps) {
  Sync s;
  s.file(s.disk, "upd.txt", "newer", kT0 + 10);
  s.file(s.usb, "upd.txt", "old", kT0);
  fs::permissions(s.usb.path() / "upd.txt", fs::perms::owner_write, fs::perm_options::remove);
  s.file(s.disk, "vanishing.txt", "v", kT0);
  JobHarness h;
  // The new file disappears between the scan and its copy.
  h.onMessage = [&](const testsupport::Recorded& r) {
    if (r.msg == WM_LOGLINE && r.text.find("被同步文件夹需要复制的文件共") != std::string::npos)
      fs::remove(s.disk.path() / "vanishing.txt");
  };
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 4u);
  const std::vector<std::string> expected = {
      "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.u() + "upd.txt",
      "2、复制文件错误，请检查该文件是否正在使用：" + s.d() + "vanishing.txt", timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(lines, lines.size() - 4), expected);
  EXPECT_EQ(readFile(s.usb.path() / "upd.txt"), "old");
}

TEST(Apply, ReadOnlyTargetOnlyFileIsDeletedAndFolderModesCarried) {
  Sync s;
  s.file(s.usb, "ro.txt", "r", kT0);
  fs::permissions(s.usb.path() / "ro.txt", fs::perms::owner_read);
  s.disk.mkdir("private");
  fs::permissions(s.disk.path() / "private", fs::perms::owner_all | fs::perms::group_read);
  s.file(s.disk, "private/p.txt", "p", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_FALSE(fs::exists(s.usb.path() / "ro.txt"));
  const auto mode = fs::status(s.usb.path() / "private").permissions();
  EXPECT_EQ(mode, fs::perms::owner_all | fs::perms::group_read);
}

TEST(Apply, StopInTheMiddleOfALargeCopyKeepsTheOldFile) {
  Sync s;
  const std::string big(8 << 20, 'n');
  s.file(s.disk, "big.bin", big, kT0 + 10);
  s.file(s.usb, "big.bin", "the old version", kT0);
  s.file(s.disk, "later.txt", "l", kT0);
  JobHarness h;
  int progress = 0;
  h.onMessage = [&](const testsupport::Recorded& r) {
    if (r.msg == WM_COPYPROGRESS && ++progress == 2) StopSync = true;
  };
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(readFile(s.usb.path() / "big.bin"), "the old version");
  EXPECT_EQ(testsupport::countTempFiles(s.usb.path()), 0u);
  EXPECT_FALSE(fs::exists(s.usb.path() / "later.txt"));
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 3u);
  // The next phase still announces its count; its first stop check ends the run.
  EXPECT_EQ(lines[lines.size() - 3], timed("停止同步"));
  EXPECT_EQ(lines[lines.size() - 2], timed("被同步文件夹需要复制的文件共1个"));
  EXPECT_EQ(lines.back(), "手动同步被停止！！！");
  EXPECT_EQ(h.numbers().back(), WM_SYNCEND);
  const auto numbers = h.numbers();
  EXPECT_EQ(std::count(numbers.begin(), numbers.end(), WM_COPYSTOPPED), 1);
}

TEST(Apply, StopRightAfterTheFolderCountCreatesNothingButStillCountsFiles) {
  Sync s;
  s.file(s.disk, "dir/x.txt", "x", kT0);
  s.file(s.disk, "y.txt", "y", kT0);
  JobHarness h;
  h.onMessage = [](const testsupport::Recorded& r) {
    if (r.msg == WM_LOGLINE && r.text.find("被同步文件夹需要创建的文件夹共") != std::string::npos) StopSync = true;
  };
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = tail(h.lines(), 5);
  const std::vector<std::string> expected = {timed("被同步文件夹需要创建的文件夹共1个"),
                                             timed("被同步文件夹需要复制的文件共2个"), "手动同步被停止！！！"};
  EXPECT_EQ(lines, expected);
  EXPECT_FALSE(fs::exists(s.usb.path() / "dir"));
}
