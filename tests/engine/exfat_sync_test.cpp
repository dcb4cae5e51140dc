// Whole synchronisations with the USB folder on a real exFAT drive: what
// only such a drive can show (names it cannot hold, running full, letter
// case ignored). The scenarios every drive shares are in
// sync_scenarios_test.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/syscalls.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/file_checks.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// FAT-style drives keep times in steps of up to 2 s.
const std::int64_t kTimeTolerance = 2;

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
  // After a replug, the next automatic run finds the folders in step.
  void expectInStepAfterReplug(const Pair& s, int sameNewer = 2, int targetOnly = 0) {
    replug();
    JobHarness again;
    again.run(TSyncType::AutoSync, s.settings(sameNewer, targetOnly));
    EXPECT_EQ(tail(again.lines(), 4), inStepEnding());
  }

  std::unique_ptr<ExfatMount> drive_;
};

class ExfatCase : public ExfatSync {};

}  // namespace

TEST_F(ExfatSync, NamesTheDriveCannotHold) {
  Pair s(onDrive("sync"), kTimeTolerance);
  put(s.disk.path(), "a:b.txt", "colon", kT0);
  put(s.disk.path(), "ok.txt", "ok", kT0);
  put(s.disk.path(), "what?.txt", "question", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 4u);
  const std::string why = "（文件名含有Windows不允许的字符或形式）";
  const std::vector<std::string> expected = {
      "同步出错，请检查", "1、复制文件错误，请检查该文件是否正在使用：" + s.d() + "a:b.txt" + why,
      "2、复制文件错误，请检查该文件是否正在使用：" + s.d() + "what?.txt" + why, timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(lines, lines.size() - 4), expected);
  EXPECT_EQ(listing(s.usb), "ok.txt");

  // A folder the drive cannot create is refused before the run, with what
  // it holds; the run goes on to its end.
  put(s.disk.path(), "x:y/inside.txt", "i", kT0);
  JobHarness again;
  again.run(TSyncType::DiskSync, s.settings());
  const auto more = again.lines();
  ASSERT_GE(more.size(), 6u);
  EXPECT_EQ(std::count(more.begin(), more.end(), timed("创建文件夹" + s.u() + "x:y")), 0);
  const std::vector<std::string> errors = {
      "1、创建文件夹错误，请检查该文件夹：" + s.u() + "x:y" + why,
      "2、复制文件错误，请检查该文件是否正在使用：" + s.d() + "a:b.txt" + why,
      "3、复制文件错误，请检查该文件是否正在使用：" + s.d() + "what?.txt" + why,
      "4、复制文件错误，请检查该文件是否正在使用：" + s.d() + "x:y/inside.txt" + why,
      timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(more, more.size() - 5), errors);
  EXPECT_EQ(again.outcome().End, TJobEnd::Done);
  EXPECT_EQ(again.numbers().back(), WM_SYNCEND);
  EXPECT_EQ(listing(s.usb), "ok.txt");
}

TEST_F(ExfatSync, FullDriveKeepsTheOldFile) {
  ExfatMount small(16ull << 20);
  Pair s(small.path() / "sync", kTimeTolerance);
  put(s.usb, "big.bin", "the old version", kT0);
  put(s.disk.path(), "big.bin", std::string(8 << 20, 'b'), kT0 + 10);
  put(s.disk.path(), "small.txt", "small", kT0);
  // The run fits when it starts; something else fills the drive while the
  // update begins, leaving a little room.
  JobHarness h;
  bool filled = false;
  h.onMessage = [&](const Recorded& m) {
    if (m.msg != WM_COPYSTART || filled) return;
    filled = true;
    const std::uintmax_t room = fs::space(small.path()).available;
    std::ofstream(small.path() / "filler", std::ios::binary) << std::string(room - (1u << 20), 'f');
  };
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_TRUE(filled);
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 3u);
  const std::vector<std::string> expected = {
      "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.u() + "big.bin（磁盘空间不足）",
      timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(lines, lines.size() - 3), expected);
  EXPECT_EQ(readFile(s.usb / "big.bin"), "the old version");
  EXPECT_EQ(readFile(s.usb / "small.txt"), "small");
  EXPECT_EQ(listing(s.usb), "big.bin small.txt");
}

TEST_F(ExfatSync, OneFlushThroughTheDriveProcessCoversTheDrive) {
  // syncfs never reaches a FUSE drive's process. exfat-fuse writes out the
  // whole volume on the flush of any file or folder: the root is flushed
  // once, neither the files nor the other folders.
  Pair s(onDrive("sync"), kTimeTolerance);
  for (int k = 0; k < 5; ++k) put(s.disk.path(), "f" + std::to_string(k) + ".txt", "data", kT0);
  put(s.disk.path(), "sub/g.txt", "data", kT0);
  static int folderFlushes = 0;
  static int fileFlushes = 0;
  static bool fail = false;
  folderFlushes = fileFlushes = 0;
  fail = false;
  platform::Syscalls table = platform::realSyscalls();
  table.fsync = [](int fd) {
    struct stat st {};
    ++(::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? folderFlushes : fileFlushes);
    if (fail) {
      errno = EIO;
      return -1;
    }
    return platform::realSyscalls().fsync(fd);
  };
  platform::ScopedSyscallOverride counting(table);
  {
    JobHarness h;
    h.run(TSyncType::DiskSync, s.settings());
    EXPECT_EQ(h.lines().back(), timed("手动同步结束，用时0秒"));
  }
  EXPECT_EQ(folderFlushes, 1);
  EXPECT_EQ(fileFlushes, 0);
  put(s.disk.path(), "late.txt", "late", kT0 + 10);
  fail = true;
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "同步出错，请检查");
  EXPECT_EQ(lines[lines.size() - 2], "1、写入驱动器错误，数据可能没有保存到驱动器：" + s.u() + "（驱动器读写出错）");
}

// --- Letter case -------------------------------------------------------------

TEST_F(ExfatCase, TargetOnlySpellingOfACopiedFileIsNotDeleted) {
  Pair s(onDrive("sync"), kTimeTolerance);
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
      // The drive's spellings are the files just written: nothing to delete,
      // so no count either.
      timed("手动同步结束，用时0秒"),
  };
  EXPECT_EQ(tail(h.lines(), h.lines().size() - 4), expected);
  EXPECT_EQ(listing(s.usb), "Report.txt sub");
  EXPECT_EQ(readFile(s.usb / "Report.txt"), "new report");
  EXPECT_EQ(listing(s.usb / "sub"), "Résumé 报告.txt");
  EXPECT_EQ(readFile(s.usb / "sub/Résumé 报告.txt"), "new résumé");

  expectInStepAfterReplug(s);
}

TEST_F(ExfatCase, TargetOnlySpellingOfACopiedFileIsNotCopiedBack) {
  Pair s(onDrive("sync"), kTimeTolerance);
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

  expectInStepAfterReplug(s, 2, 2);
}

TEST_F(ExfatCase, TwoDiskSpellingsLandingOnOneFile) {
  Pair s(onDrive("sync"), kTimeTolerance);
  put(s.disk.path(), "0.txt", "0", kT0);
  put(s.disk.path(), "A.txt", "UPPER", kT0 + 1);
  put(s.disk.path(), "a.txt", "lower!", kT0);
  put(s.disk.path(), "b.txt", "b", kT0);
  put(s.disk.path(), "c.txt", "c", kT0);
  put(s.disk.path(), "sub/A.txt", "sub", kT0);
  const std::vector<std::string> errorTail = {
      "同步出错，请检查", "1、复制文件错误，请检查该文件是否正在使用：" + s.d() + "a.txt（已有同名的文件）",
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
  Pair s(onDrive("sync"), kTimeTolerance);
  put(s.usb, "a.txt", "usb a", kT0);
  put(s.disk.path(), "a.txt", "usb a", kT0);
  put(s.disk.path(), "A.txt", "disk-only A", kT0 + 1);
  JobHarness h;
  h.run(TSyncType::USync, s.settings(2, 2));
  const std::vector<std::string> expected = {
      timed("被同步文件夹需要复制的文件共1个"), "同步出错，请检查",
      "1、复制文件错误，请检查该文件是否正在使用：" + s.u() + "A.txt（已有同名的文件）", timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(h.lines(), 5), expected);
  EXPECT_EQ(listing(s.usb), "a.txt");
  EXPECT_EQ(readFile(s.usb / "a.txt"), "usb a");
  EXPECT_EQ(readFile(s.disk.path() / "A.txt"), "disk-only A");
}

TEST_F(ExfatCase, FolderSpelledOtherwiseOnTheDrive) {
  Pair s(onDrive("sync"), kTimeTolerance);
  put(s.disk.path(), "Docs/x.txt", "x", kT0);
  put(s.disk.path(), "Docs/Sub/z.txt", "z", kT0 + 2);
  put(s.usb, "docs/old.txt", "old", kT0);
  put(s.usb, "docs/sub/z.txt", "z", kT0 + 2);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const std::string d = s.d(), u = s.u();
  // The drive's folders take the disk's spelling and pair with the disk's:
  // only what is new is copied, only what is gone removed.
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 5u);
  const std::vector<std::string> expected = {
      timed("被同步文件夹修改文件夹名" + u + "docs修改为" + u + "Docs"),
      timed("被同步文件夹修改文件夹名" + u + "Docs/sub修改为" + u + "Docs/Sub"),
      timed("被同步文件夹需要复制的文件共1个"),
      timed("复制文件" + d + "Docs/x.txt到" + u + "Docs/x.txt 100%"),
      timed("被同步文件夹需要删除的文件共1个"),
      timed("被同步文件夹删除文件" + u + "Docs/old.txt"),
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
  expectInStepAfterReplug(s);
}

TEST_F(ExfatCase, CaseOnlyRename) {
  Pair s(onDrive("sync"), kTimeTolerance);
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

  expectInStepAfterReplug(s);
}
