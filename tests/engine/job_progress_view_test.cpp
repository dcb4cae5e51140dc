// The whole job's progress figures: bytes of the open copy counted once,
// failed steps settled, speed over the recent past, texts for people.
#include "engine/job_progress_view.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Clock = TJobProgressView::Clock;

// A job that copies ten files of 1000 bytes and deletes two.
TJobProgress Planned() {
  TJobProgress p;
  p.Planned.Copied = 10;
  p.Planned.CopyBytes = 10000;
  p.Planned.Deleted = 2;
  return p;
}

void Copied(TJobProgress& p, int files) {
  p.Done.Copied += files;
  p.Done.CopyBytes += 1000 * files;
}

}  // namespace

TEST(JobProgressView, CountsTheOpenCopyOnceAndSettlesFailedSteps) {
  TJobProgressView view;
  const Clock::time_point t0{};
  EXPECT_FALSE(view.Update(Planned(), t0).Active) << "idle before a job";
  EXPECT_EQ(ProgressCountText(view.Update(Planned(), t0)), "");

  view.Start(t0);
  TProgressFigures f = view.Update(TJobProgress{}, t0);
  EXPECT_TRUE(f.Active);
  EXPECT_FALSE(f.Planned);
  EXPECT_EQ(ProgressCountText(f), "正在比较文件夹…");
  EXPECT_EQ(ProgressSpeedText(f), "");

  TJobProgress p = Planned();
  Copied(p, 3);
  view.CopyStarted(p);
  view.CopyProgress(500);
  f = view.Update(p, t0 + 100ms);
  EXPECT_EQ(f.ItemsDone, 3);
  EXPECT_EQ(f.ItemsPlanned, 12);
  EXPECT_EQ(f.BytesDone, 3500);
  EXPECT_EQ(f.Permille, 350);
  EXPECT_EQ(ProgressCountText(f), "已完成 3/12 项，3.4KB/9.8KB");

  // The copy ended: the report holds its bytes, the last progress message
  // must not add them again.
  view.CopyProgress(1000);
  Copied(p, 1);
  EXPECT_EQ(view.Update(p, t0 + 200ms).BytesDone, 4000);

  // A copy that failed is settled without its bytes.
  view.CopyStarted(p);
  view.CopyProgress(700);
  EXPECT_EQ(view.Update(p, t0 + 300ms).BytesDone, 4700);
  p.Errors = 1;
  f = view.Update(p, t0 + 400ms);
  EXPECT_EQ(f.BytesDone, 4000);
  EXPECT_EQ(f.ItemsDone, 5);

  // Errors that are no steps never take the count past the plan.
  p.Errors = 40;
  EXPECT_EQ(view.Update(p, t0 + 500ms).ItemsDone, 12);

  view.Stop();
  EXPECT_FALSE(view.Update(p, t0 + 600ms).Active);
  EXPECT_EQ(ProgressSpeedText(view.Update(p, t0 + 600ms)), "");
}

TEST(JobProgressView, SpeedAndTimeLeftFollowTheRecentPast) {
  TJobProgressView view;
  const Clock::time_point t0{};
  view.Start(t0);
  TJobProgress p = Planned();
  p.Planned.CopyBytes = 100000;
  TProgressFigures f = view.Update(p, t0);
  EXPECT_EQ(f.BytesPerSecond, 0);
  EXPECT_EQ(f.SecondsLeft, -1);

  view.CopyStarted(p);
  view.CopyProgress(400);
  f = view.Update(p, t0 + 400ms);
  EXPECT_EQ(f.SecondsLeft, -1) << "no estimate in the first second";

  // 1000 bytes a second for ten seconds.
  for (int s = 1; s <= 10; ++s) {
    view.CopyProgress(1000 * s);
    f = view.Update(p, t0 + std::chrono::seconds(s));
  }
  EXPECT_NEAR(f.BytesPerSecond, 1000, 1);
  EXPECT_EQ(f.SecondsLeft, 90);
  EXPECT_EQ(ProgressSpeedText(f), "1000字节/秒，剩余约 1分30秒");

  // Then ten times slower: after the window has passed, the old pace is
  // forgotten.
  for (int s = 1; s <= 10; ++s) {
    view.CopyProgress(10000 + 100 * s);
    f = view.Update(p, t0 + std::chrono::seconds(10 + s));
  }
  EXPECT_NEAR(f.BytesPerSecond, 100, 25);
  EXPECT_GT(f.SecondsLeft, 700);
}

TEST(JobProgressView, JobsWithoutCopiesAndJobsWithNothingToDo) {
  TJobProgressView view;
  const Clock::time_point t0{};
  view.Start(t0);
  TJobProgress p;
  p.Planned.Deleted = 4;
  p.Planned.Renamed = 4;
  p.Done.Deleted = 2;
  TProgressFigures f = view.Update(p, t0);
  EXPECT_EQ(f.Permille, 250) << "by steps when nothing is copied";
  EXPECT_EQ(ProgressCountText(f), "已完成 2/8 项");
  p.Done.Renamed = 2;
  f = view.Update(p, t0 + 2s);
  EXPECT_EQ(f.BytesPerSecond, 0);
  EXPECT_EQ(f.SecondsLeft, 4);
  EXPECT_EQ(ProgressSpeedText(f), "剩余约 4秒");

  // In step: the job ends with nothing planned.
  TJobProgressView idle;
  idle.Start(t0);
  TJobProgress inStep;
  inStep.End = TJobEnd::InStep;
  f = idle.Update(inStep, t0);
  EXPECT_TRUE(f.Planned);
  EXPECT_EQ(f.Permille, 1000);
  EXPECT_EQ(ProgressCountText(f), "已完成 0/0 项");
}

TEST(JobProgressView, DurationsForPeople) {
  EXPECT_EQ(DurationText(0), "0秒");
  EXPECT_EQ(DurationText(59), "59秒");
  EXPECT_EQ(DurationText(60), "1分0秒");
  EXPECT_EQ(DurationText(3599), "59分59秒");
  EXPECT_EQ(DurationText(3600 * 2 + 5 * 60 + 9), "2小时5分");
}
