// Whole synchronisations on real trees, the USB folder once in an ordinary
// folder and once on a real exFAT drive (letter case ignored, coarse file
// times, no permission bits): the log, line by line, the resulting trees,
// and the next run finding nothing to do.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/native_path.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

class SyncScenario : public OnEachDrive {
 protected:
  void replug() { drive_->replug(); }

  // One forced run from source to target that needs every kind of step,
  // then the next runs of every kind, which find nothing to do.
  void EveryKindOfChange(TSyncType kind, Pair& s) {
    const auto [diskIsSource, source, target, src, dst] = sidesOf(s, kind);
    // Fractions of a second that an exFAT drive cannot keep.
    put(source, "keep.txt", "same", kT0, 600'000'000);
    put(source, "upd.txt", "new content", kT0 + 100);
    put(source, "ren_new.txt", "renamed", kT0 + 50);
    put(source, "moved/m.txt", "moved", kT0 + 60);
    put(source, "newdir/n.txt", "n", kT0 + 71, 700'000'000);
    put(source, "newer_on_target.txt", "v1", kT0);

    put(target, "keep.txt", "same", kT0);
    put(target, "upd.txt", "old", kT0);
    put(target, "ren_old.txt", "renamed", kT0 + 50);
    put(target, "m.txt", "moved", kT0 + 60);
    put(target, "newer_on_target.txt", "v2-longer", kT0 + 200);
    put(target, "extra.txt", "x", kT0);
    put(target, "extradir/sub/e.txt", "e", kT0);
    // Read-only where the drive keeps permission bits: deleted all the same.
    put(target, "ro.txt", "read-only", kT0);
    std::error_code ignored;
    fs::permissions(target / "ro.txt", fs::perms::owner_read, ignored);
    // What a copy cut off by a crash left behind: neither counted nor kept.
    put(target, ".~drovan-tmp-3039-dead-1", "partial", kT0);

    JobHarness h;
    h.run(kind, s.settings());
    const std::string sourceCount = "(8个文件夹和文件)", targetCount = "(10个文件夹和文件)";
    const std::vector<std::string> expected = {
        kSeparator,
        timed("正在扫描硬主监测文件夹" + (diskIsSource ? sourceCount : targetCount)),
        timed("正在扫描U盘监测文件夹" + (diskIsSource ? targetCount : sourceCount)),
        timed(diskIsSource ? "强制以硬盘监测文件夹为同步源更新U盘监测文件夹"
                           : "强制以U盘监测文件夹为同步源更新硬盘监测文件夹"),
        timed("分析主监测文件夹..."),
        timed("被同步文件夹修改文件名" + dst + "ren_old.txt修改为" + dst + "ren_new.txt"),
        timed("被同步文件夹需要更新的文件共1个"),
        timed("更新文件" + src + "upd.txt到" + dst + "upd.txt 100%"),
        timed("被同步文件夹需要创建的文件夹共2个"),
        timed("创建文件夹" + dst + "moved"),
        timed("创建文件夹" + dst + "newdir"),
        timed("被同步文件夹需要复制的文件共2个"),
        timed("复制文件" + src + nativePath("moved/m.txt到") + dst + nativePath("moved/m.txt 100%")),
        timed("复制文件" + src + nativePath("newdir/n.txt到") + dst + nativePath("newdir/n.txt 100%")),
        timed("同步文件夹需要更新的文件共1个"),
        timed("更新文件" + dst + "newer_on_target.txt到" + src + "newer_on_target.txt 100%"),
        timed("被同步文件夹需要删除的文件共4个"),
        timed("被同步文件夹删除文件" + dst + "extra.txt"),
        timed("被同步文件夹删除文件" + dst + nativePath("extradir/sub/e.txt")),
        timed("被同步文件夹删除文件" + dst + "m.txt"),
        timed("被同步文件夹删除文件" + dst + "ro.txt"),
        timed("被同步文件夹需要删除的文件夹共2个"),
        timed("被同步文件夹删除文件夹" + dst + nativePath("extradir/sub")),
        timed("被同步文件夹删除文件夹" + dst + "extradir"),
        timed("手动同步结束，用时0秒"),
    };
    EXPECT_EQ(h.lines(), expected);
    // The outcome tells the same without the words: every planned step done.
    const TJobOutcome& o = h.outcome();
    EXPECT_EQ(o.End, TJobEnd::Done);
    EXPECT_TRUE(o.Errors.empty());
    EXPECT_EQ(o.SourceRoot, src);
    EXPECT_EQ(o.TargetRoot, dst);
    TJobWork planned;
    planned.Renamed = 1;
    planned.Updated = 1;
    planned.FoldersCreated = 2;
    planned.Copied = 2;
    planned.NewerInTarget = 1;
    planned.Deleted = 4;
    planned.FoldersDeleted = 2;
    planned.CopyBytes = 11 + 5 + 1 + 9;  // upd.txt, m.txt, n.txt, newer_on_target.txt back
    for (const TJobWork* w : {&o.Planned, &o.Done}) {
      EXPECT_EQ(w->Renamed, planned.Renamed);
      EXPECT_EQ(w->Updated, planned.Updated);
      EXPECT_EQ(w->FoldersCreated, planned.FoldersCreated);
      EXPECT_EQ(w->Copied, planned.Copied);
      EXPECT_EQ(w->NewerInTarget, planned.NewerInTarget);
      EXPECT_EQ(w->Deleted, planned.Deleted);
      EXPECT_EQ(w->FoldersDeleted, planned.FoldersDeleted);
      EXPECT_EQ(w->CopiedBack + w->FoldersCopiedBack, 0);
      EXPECT_EQ(w->CopyBytes, planned.CopyBytes);
    }
    EXPECT_EQ(s.differences(), "");
    EXPECT_EQ(readFile(source / "newer_on_target.txt"), "v2-longer");
    EXPECT_EQ(countTempFiles(s.disk.path()), 0u);
    EXPECT_EQ(countTempFiles(s.usb), 0u);

    replug();
    for (TSyncType again : {TSyncType::AutoSync, TSyncType::DiskSync, TSyncType::USync}) {
      JobHarness next;
      next.run(again, s.settings());
      expectNothingDone(next);
      EXPECT_EQ(next.outcome().End, TJobEnd::InStep);
      EXPECT_EQ(next.outcome().Done.Items(), 0);
      const auto lines = next.lines();
      ASSERT_GE(lines.size(), 3u);
      EXPECT_EQ(lines[1], timed("正在扫描硬主监测文件夹(8个文件夹和文件)"));
      EXPECT_EQ(lines[2], timed("正在扫描U盘监测文件夹(8个文件夹和文件)"));
    }
    EXPECT_EQ(s.differences(), "");
  }
};

}  // namespace

TEST_P(SyncScenario, DiskToDriveWithEveryKindOfChange) {
  Pair s(onDrive("sync"), tolerance());
  EveryKindOfChange(TSyncType::DiskSync, s);
}

TEST_P(SyncScenario, DriveRootToDiskWithEveryKindOfChange) {
  Pair s(drive_->root(), tolerance());
  s.usbAsDriveRoot = true;
  EveryKindOfChange(TSyncType::USync, s);
}

TEST_P(SyncScenario, NewerTargetFileStrategiesBothWays) {
  for (TSyncType kind : {TSyncType::DiskSync, TSyncType::USync}) {
    for (int strategy : {0, 1, 2}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + "/" + std::to_string(strategy));
      const std::string folder = "same-" + std::to_string(static_cast<int>(kind)) + "-" + std::to_string(strategy);
      Pair s(onDrive(folder), tolerance());
      const auto [diskIsSource, source, target, src, dst] = sidesOf(s, kind);
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

TEST_P(SyncScenario, TargetOnlyStrategiesBothWays) {
  for (TSyncType kind : {TSyncType::DiskSync, TSyncType::USync}) {
    for (int strategy : {0, 1, 2}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + "/" + std::to_string(strategy));
      const std::string folder = "only-" + std::to_string(static_cast<int>(kind)) + "-" + std::to_string(strategy);
      Pair s(onDrive(folder), tolerance());
      const auto [diskIsSource, source, target, src, dst] = sidesOf(s, kind);
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
                    timed("被同步文件夹删除文件" + dst + nativePath("only/deeper/o.txt")),
                    timed("被同步文件夹需要删除的文件夹共2个"),
                    timed("被同步文件夹删除文件夹" + dst + nativePath("only/deeper")),
                    timed("被同步文件夹删除文件夹" + dst + "only"),
                    timed("手动同步结束，用时0秒")};
        EXPECT_FALSE(fs::exists(target / "only"));
        EXPECT_EQ(s.differences(), "");
      } else {
        expected = {timed("同步文件夹需要创建的文件夹共2个"),
                    timed("同步文件夹创建文件夹" + src + "only"),
                    timed("同步文件夹创建文件夹" + src + nativePath("only/deeper")),
                    timed("被同步文件夹需要复制的文件共1个"),
                    copyBackLine("复制文件" + dst + nativePath("only/deeper/o.txt到") + src +
                                 nativePath("only/deeper/o.txt 100%")),
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

TEST_P(SyncScenario, RenameNeedsSameFolderTimeAndSize) {
  Pair s(onDrive("sync"), tolerance());
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
      timed("复制文件" + d + nativePath("sub/d.txt到") + u + nativePath("sub/d.txt 100%")),
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

TEST_P(SyncScenario, ARenameNeedsTheSameContent) {
  // Unpacked from one archive: one time, one size, different contents. The
  // second pair is a real rename behind a look-alike.
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "new.txt", "AAAA", kT0);
  put(s.disk.path(), "x2.txt", "xxxx", kT0 + 10);
  put(s.usb, "old.txt", "BBBB", kT0);
  put(s.usb, "x0.txt", "yyyy", kT0 + 10);
  put(s.usb, "x1.txt", "xxxx", kT0 + 10);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const std::string d = s.d(), u = s.u();
  const std::vector<std::string> expected = {
      timed("被同步文件夹修改文件名" + u + "x1.txt修改为" + u + "x2.txt"),
      timed("被同步文件夹需要复制的文件共1个"),
      timed("复制文件" + d + "new.txt到" + u + "new.txt 100%"),
      timed("被同步文件夹需要删除的文件共2个"),
      timed("被同步文件夹删除文件" + u + "old.txt"),
      timed("被同步文件夹删除文件" + u + "x0.txt"),
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(tail(h.lines(), 5), expected);
  EXPECT_EQ(readFile(s.usb / "new.txt"), "AAAA");
  EXPECT_EQ(readFile(s.usb / "x2.txt"), "xxxx");
  EXPECT_EQ(s.differences(), "");
}

TEST_P(SyncScenario, ErrorsAreNumberedAcrossSteps) {
  {
    // Onto the drive: an update and a new file whose sources vanish.
    Pair s(onDrive("to-drive"), tolerance());
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
        "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.u() + "upd.txt（文件不存在）",
        "2、复制文件错误，请检查该文件是否正在使用：" + s.d() + "vanishing.txt（文件不存在）", timed("手动同步结束，用时0秒")};
    EXPECT_EQ(tail(lines, lines.size() - 4), expected);
    EXPECT_EQ(readFile(s.usb / "upd.txt"), "old");
    EXPECT_EQ(listing(s.usb), "upd.txt");
    // Each error line with the system's own account of it.
    const TJobOutcome& o = h.outcome();
    EXPECT_EQ(o.End, TJobEnd::Done);
    ASSERT_EQ(o.Errors.size(), 2u);
    EXPECT_EQ(o.Errors[0].Line, expected[1]);
    EXPECT_EQ(o.Errors[1].Line, expected[2]);
    for (const TJobError& e : o.Errors) EXPECT_EQ(e.Status.code, std::errc::no_such_file_or_directory);
    EXPECT_EQ(o.Planned.Copies(), 2);
    EXPECT_EQ(o.Done.Copies(), 0);
  }
  {
    // From the drive: a read-only disk file is not updated; a copy back to
    // the drive fails when its source vanishes.
    Pair s(onDrive("from-drive"), tolerance());
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
        "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.d() + "upd.txt（没有权限）",
        "2、复制文件错误，请检查该文件是否正在使用：" + s.u() + "back.txt（文件不存在）", timed("手动同步结束，用时0秒")};
    EXPECT_EQ(tail(lines, lines.size() - 4), expected);
    EXPECT_EQ(readFile(s.disk.path() / "upd.txt"), "old");
    EXPECT_EQ(listing(s.usb), "upd.txt");
    EXPECT_EQ(testsupport::countTempFiles(s.usb), 0u);
  }
}

TEST_P(SyncScenario, StopInTheMiddleOfALargeCopyKeepsTheOldFile) {
  Pair s(onDrive("sync"), tolerance());
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
  EXPECT_EQ(h.outcome().End, TJobEnd::Stopped);
  EXPECT_EQ(h.outcome().Planned.Copies(), 2);
  EXPECT_EQ(h.outcome().Done.Copies(), 0);
  EXPECT_TRUE(h.outcome().Errors.empty());
  const auto numbers = h.numbers();
  EXPECT_EQ(numbers.back(), WM_SYNCEND);
  EXPECT_EQ(std::count(numbers.begin(), numbers.end(), WM_COPYSTOPPED), 1);
}

TEST_P(SyncScenario, StopDuringTheLastCopyIsNoError) {
  // With no item after the stopped copy, no stop check follows it: the
  // cancelled copy must still not be reported as a failure.
  for (const TSyncType kind : {TSyncType::DiskSync, TSyncType::USync}) {
    Pair s(onDrive(kind == TSyncType::DiskSync ? "to" : "from"), tolerance());
    const auto sides = sidesOf(s, kind);
    put(sides.source, "big.bin", std::string(8 << 20, 'n'), kT0 + 10);
    put(sides.target, "big.bin", "the old version", kT0);
    JobHarness h;
    int progress = 0;
    h.onMessage = [&](const testsupport::Recorded& r) {
      if (r.msg == WM_COPYPROGRESS && ++progress == 2) StopSync = true;
    };
    h.run(kind, s.settings());
    const auto lines = h.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "同步出错，请检查"), 0);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], timed("停止同步"));
    EXPECT_EQ(lines.back(), "手动同步被停止！！！");
    EXPECT_EQ(readFile(sides.target / "big.bin"), "the old version");
    EXPECT_EQ(testsupport::countTempFiles(sides.target), 0u);
    StopSync = false;
  }
}

TEST_P(SyncScenario, StopRightAfterTheFolderCountCreatesNothing) {
  Pair s(onDrive("sync"), tolerance());
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

INSTANTIATE_TEST_SUITE_P(Drives, SyncScenario, EachDrive(), DriveName);
