// The Qt-free pieces both windows show through: the progress display's pace
// and texts, and the preview question's offer. The windows' own tests see
// them drawn; these pin what a window cannot time (the tool tip's second).
#include <gtest/gtest.h>

#include "inventory/file_info.h"
#include "inventory/pglobal.h"
#include "ui/job_progress_display.h"
#include "ui/window_questions.h"

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(JobProgressDisplay, FollowsTheBeginAndTheEndAndPacesTheToolTip) {
  JobProgressDisplay display;
  TJobReport job;
  const Clock::time_point t0 = Clock::now();
  EXPECT_FALSE(display.Read(&job, t0).Active) << "idle before a begin";
  EXPECT_EQ(display.Message(WM_LOGLINE, 0, &job, t0), JobProgressDisplay::Change::None);
  ASSERT_EQ(display.Message(WM_SYNCBEGIN, 0, &job, t0), JobProgressDisplay::Change::Began);

  JobProgressDisplay::Shown shown = display.Read(&job, t0);
  EXPECT_TRUE(shown.Active);
  EXPECT_EQ(shown.Label, "正在比较文件夹…");
  EXPECT_TRUE(shown.TipDue) << "the first look sets the tool tip";
  EXPECT_EQ(shown.Tip, "CorvelDrovan\n正在比较文件夹…");

  job.Update([](TJobOutcome& o) {
    o.Planned.Copied = 4;
    o.Planned.CopyBytes = 4000;
    o.Done.Copied = 1;
    o.Done.CopyBytes = 1000;
  });
  shown = display.Read(&job, t0 + 500ms);
  EXPECT_EQ(shown.Permille, 250);
  EXPECT_TRUE(shown.Label.starts_with("已完成 1/4 项，")) << shown.Label;
  EXPECT_FALSE(shown.TipDue) << "within the second";

  job.Update([](TJobOutcome& o) {
    o.Done.Copied = 3;
    o.Done.CopyBytes = 3000;
  });
  shown = display.Read(&job, t0 + 1500ms);
  EXPECT_EQ(shown.Permille, 750);
  // The speed and time left on the label's second line, and in the tip.
  const auto lineBreak = shown.Label.find('\n');
  ASSERT_NE(lineBreak, std::string::npos) << shown.Label;
  EXPECT_NE(shown.Label.find("剩余约 ", lineBreak), std::string::npos) << shown.Label;
  EXPECT_TRUE(shown.TipDue);
  EXPECT_EQ(shown.Tip, "CorvelDrovan\n" + shown.Label);

  EXPECT_EQ(display.Message(WM_SYNCEND, 0, &job, t0 + 2s), JobProgressDisplay::Change::Ended);
  EXPECT_FALSE(display.Read(&job, t0 + 2s).Active);
  // A stop of the automatic mode ends the display as well.
  display.Message(WM_SYNCBEGIN, 0, &job, t0 + 3s);
  EXPECT_EQ(display.Message(WM_AUTOSYNCSTOPPED, 0, &job, t0 + 4s), JobProgressDisplay::Change::Ended);
}

TEST(PreviewOffer, OnlyAPreviewWithWorkOffersTheSyncInItsDirection) {
  const std::string disk = std::string("disk") + PathDelim + "folder";
  TJobOutcome outcome;
  outcome.End = TJobEnd::Previewed;
  outcome.SourceRoot = disk + PathDelim;
  outcome.TargetRoot = std::string("usb") + PathDelim;
  EXPECT_FALSE(PreviewOffer(outcome, disk)) << "nothing to do";

  outcome.Planned.Copied = 2;
  outcome.Planned.Deleted = 1;
  // The box may show the folder with a trailing delimiter or without.
  for (const std::string& box : {disk, disk + PathDelim}) {
    const auto offer = PreviewOffer(outcome, box);
    ASSERT_TRUE(offer) << box;
    EXPECT_TRUE(offer->DiskIsSource) << box;
    EXPECT_EQ(offer->Text, "按预览开始同步？\n\n以硬盘监测文件夹为同步源更新U盘监测文件夹：\n" + outcome.SourceRoot +
                               " → " + outcome.TargetRoot + "\n\n复制文件：2个\n删除文件：1个");
  }
  std::swap(outcome.SourceRoot, outcome.TargetRoot);
  const auto back = PreviewOffer(outcome, disk);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->DiskIsSource);
  EXPECT_TRUE(back->Text.find("以U盘监测文件夹为同步源更新硬盘监测文件夹") != std::string::npos) << back->Text;

  outcome.End = TJobEnd::Stopped;
  EXPECT_FALSE(PreviewOffer(outcome, disk)) << "a stopped preview offers nothing";
}
