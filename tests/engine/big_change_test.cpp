// The judgement of a big run (pure), and the job that asks before its first
// change: yes goes ahead, no changes nothing, a small run never asks; the
// line naming the file that decided an automatic run's direction.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "engine/big_change.h"
#include "tests/engine/sync_folders.h"
#include "platform/datetime.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

TLossCounts deleting(std::int64_t n) {
  TLossCounts loss;
  loss.Deleted = n;
  return loss;
}

}  // namespace

TEST(JudgeChange, ManyFilesNeedsTheThresholdAndMoreThanHalfOfASide) {
  EXPECT_TRUE(JudgeChange(deleting(10), 5, 19, 10, {}).ManyFiles);
  EXPECT_FALSE(JudgeChange(deleting(10), 5, 20, 10, {}).ManyFiles) << "exactly half is not more than half";
  EXPECT_FALSE(JudgeChange(deleting(9), 5, 10, 10, {}).ManyFiles) << "below the threshold";
  // Copied back over the source: half of the source's files counts too.
  TLossCounts back;
  back.CopiedBackOver = 12;
  EXPECT_TRUE(JudgeChange(back, 20, 100, 10, {}).ManyFiles);
  EXPECT_FALSE(JudgeChange(back, 24, 100, 10, {}).ManyFiles);
  // Updates and replaced newer files add up on the target's side.
  TLossCounts mixed;
  mixed.Updated = 6;
  mixed.NewerReplaced = 5;
  EXPECT_TRUE(JudgeChange(mixed, 30, 20, 10, {}).Big());
}

TEST(JudgeChange, EmptySourceAndFutureDecisionAskBelowTheThreshold) {
  const TBigChange empty = JudgeChange(deleting(2), 0, 3, 10, {});
  EXPECT_TRUE(empty.EmptySource);
  EXPECT_FALSE(empty.ManyFiles);
  EXPECT_FALSE(JudgeChange(deleting(0), 0, 3, 10, {}).Big()) << "nothing lost";

  TDecidingFile future{true, true, "报告/a.doc"};
  const TBigChange ahead = JudgeChange(deleting(1), 50, 50, 10, future);
  EXPECT_TRUE(ahead.FutureTime);
  EXPECT_EQ(ahead.DecidingFile, "报告/a.doc");
  future.InFuture = false;
  EXPECT_FALSE(JudgeChange(deleting(1), 50, 50, 10, future).Big());
}

TEST(JudgeChange, ThresholdZeroNeverAsks) {
  const TDecidingFile future{true, true, "a"};
  EXPECT_FALSE(JudgeChange(deleting(100), 0, 100, 0, future).Big());
}

TEST(JudgeChange, LinesNameTheFoldersAndEveryKindThatCounts) {
  TLossCounts loss;
  loss.Deleted = 12;
  loss.CopiedBackOver = 1;
  TBigChange c = JudgeChange(loss, 4, 20, 10, {});
  c.SourceRoot = "/s/";
  c.TargetRoot = "/t/";
  const std::vector<std::string> lines = BigChangeLines(c);
  const std::vector<std::string> expected = {
      "同步源：/s/",
      "同步目标：/t/",
      "删除目标文件夹独有的文件：12个文件",
      "以目标文件夹中较新的同名文件覆盖同步源的文件：1个文件",
      "将删除或覆盖目标文件夹20个文件中的12个，同步源4个文件中的1个",
  };
  EXPECT_EQ(lines, expected);
}

namespace {

// A disk folder with one newer file, a USB folder with many files of its
// own: the automatic run deletes them all.
struct BigDeletion : ::testing::Test {
  TempDir drive;
  Pair s{drive.path()};
  void SetUp() override {
    put(s.disk.path(), "new.txt", "n", kT0 + 100);
    for (int i = 0; i < 12; ++i) put(s.usb, "old/f" + std::to_string(i) + ".txt", "o", kT0);
  }
};

const std::string kNotConfirmed = "用户未确认大量删除或覆盖，未同步，没有改动任何文件";

}  // namespace

TEST_F(BigDeletion, NoChangesNothingAndEndsWithOneLine) {
  const TreeSnapshot before = snapshot(s.usb), diskBefore = snapshot(s.disk.path());
  JobHarness h;
  std::optional<TBigChange> asked;
  h.confirm = [&](const TBigChange& c) {
    asked = c;
    return false;
  };
  h.run(TSyncType::AutoSync, s.settings());
  ASSERT_TRUE(asked);
  EXPECT_EQ(asked->Loss.Deleted, 12);
  EXPECT_EQ(asked->TargetFiles, 12);
  EXPECT_EQ(asked->SourceFiles, 1);
  EXPECT_TRUE(asked->ManyFiles);
  EXPECT_EQ(asked->SourceRoot, s.d());
  EXPECT_EQ(asked->TargetRoot, s.u());
  EXPECT_EQ(h.outcome().End, TJobEnd::NotConfirmed);
  EXPECT_EQ(h.lines().back(), timed(kNotConfirmed));
  EXPECT_EQ(h.lines()[h.lines().size() - 2], timed("分析主监测文件夹..."));
  EXPECT_EQ(treeDifferences(snapshot(s.usb), before, 0), "");
  EXPECT_EQ(treeDifferences(snapshot(s.disk.path()), diskBefore, 0), "");
}

TEST_F(BigDeletion, YesGoesAhead) {
  JobHarness h;
  int asked = 0;
  h.confirm = [&](const TBigChange&) { return ++asked, true; };
  h.run(TSyncType::AutoSync, s.settings());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(h.outcome().End, TJobEnd::Done);
  EXPECT_EQ(s.differences(), "");
}

TEST_F(BigDeletion, AStopDuringTheQuestionStopsWithNothingChanged) {
  const TreeSnapshot before = snapshot(s.usb);
  JobHarness h;
  h.confirm = [](const TBigChange&) { return StopSync = true, true; };
  h.run(TSyncType::AutoSync, s.settings());
  EXPECT_EQ(h.outcome().End, TJobEnd::Stopped);
  EXPECT_EQ(h.lines().back(), "手动同步被停止！！！");
  EXPECT_EQ(treeDifferences(snapshot(s.usb), before, 0), "");
  StopSync = false;
}

TEST_F(BigDeletion, KeptTargetFilesOrAThresholdOfZeroNeverAsk) {
  for (const bool keep : {true, false}) {
    JobHarness h;
    h.confirm = [](const TBigChange&) -> bool { ADD_FAILURE() << "asked"; return false; };
    TJobSettings settings = s.settings(2, keep ? 1 : 0);
    if (!keep) settings.ConfirmFiles = 0;
    h.run(TSyncType::AutoSync, settings);
    EXPECT_EQ(h.outcome().End, TJobEnd::Done);
  }
}

TEST(BigChangeJob, AnEmptySourceAsksForAFewFiles) {
  TempDir drive;
  Pair s{drive.path()};
  put(s.usb, "a.txt", "a", kT0);
  put(s.usb, "b.txt", "b", kT0);
  JobHarness h;
  std::optional<TBigChange> asked;
  h.confirm = [&](const TBigChange& c) { return asked = c, false; };
  h.run(TSyncType::DiskSync, s.settings());
  ASSERT_TRUE(asked);
  EXPECT_TRUE(asked->EmptySource);
  EXPECT_FALSE(asked->ManyFiles);
  EXPECT_TRUE(fs::exists(s.usb / "a.txt"));
}

TEST(DirectionReason, NamesTheDecidingFileAndItsTimeOnBothSides) {
  TempDir drive;
  Pair s{drive.path()};
  put(s.disk.path(), "报告/a.doc", "new", kT0 + 60);
  put(s.disk.path(), "b.txt", "b", kT0);
  put(s.usb, "报告/a.doc", "old", kT0);
  put(s.usb, "b.txt", "b", kT0);
  JobHarness h;
  h.confirm = [](const TBigChange&) -> bool { ADD_FAILURE() << "asked"; return true; };
  h.run(TSyncType::AutoSync, s.settings());
  const std::vector<std::string> lines = h.lines();
  const auto decided =
      std::find(lines.begin(), lines.end(), timed("硬盘监测文件夹文件最后更新时间较新，以硬盘监测文件夹为架构同步U盘监测文件夹"));
  ASSERT_NE(decided, lines.end());
  ASSERT_NE(decided + 1, lines.end());
  const std::string t1 = platform::dateTimeToStr(platform::fileTimeToDateTime(kT0 + 60, 0));
  const std::string t0 = platform::dateTimeToStr(platform::fileTimeToDateTime(kT0, 0));
  EXPECT_EQ(*(decided + 1), timed("决定同步源的文件：" + nativePath("报告/a.doc") + "，硬盘监测文件夹中为" + t1 +
                                  "，U盘监测文件夹中为" + t0));
}

TEST(DirectionReason, AFileOnlyOnOneSideInTheFutureIsNamedAndAsksFirst) {
  TempDir drive;
  Pair s{drive.path()};
  // Two days after the test clock's day.
  const std::int64_t future = 1'900'000'000;  // 2030, the test clock says 2026
  put(s.disk.path(), "b.txt", "b", kT0);
  put(s.usb, "b.txt", "older", kT0 - 10);
  put(s.usb, "钟/x.txt", "x", future);
  JobHarness h;
  std::optional<TBigChange> asked;
  h.confirm = [&](const TBigChange& c) { return asked = c, false; };
  h.run(TSyncType::AutoSync, s.settings());
  const std::vector<std::string> lines = h.lines();
  const auto decided =
      std::find(lines.begin(), lines.end(), timed("U盘监测文件夹文件最后更新时间较新，以U盘监测文件夹为架构同步硬盘监测文件夹"));
  ASSERT_NE(decided, lines.end());
  const std::string t = platform::dateTimeToStr(platform::fileTimeToDateTime(future, 0));
  EXPECT_EQ(*(decided + 1), timed("决定同步源的文件：" + nativePath("钟/x.txt") + "，U盘监测文件夹中为" + t +
                                  "（晚于现在一天以上），硬盘监测文件夹中没有（仅此一处）"));
  ASSERT_TRUE(asked);
  EXPECT_TRUE(asked->FutureTime);
  EXPECT_EQ(asked->DecidingFile, nativePath("钟/x.txt"));
  EXPECT_EQ(h.outcome().End, TJobEnd::NotConfirmed);
  EXPECT_EQ(readFile(s.disk.path() / "b.txt"), "b");
}
