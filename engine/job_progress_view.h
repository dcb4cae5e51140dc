// The whole job's progress as a display shows it: the share of the planned
// bytes written (of the planned steps when nothing is copied), the steps
// settled of those planned, the speed and the time left. Fed by the job's
// report and by the current copy's progress messages, on the display's
// thread; no drawing of its own, so every window and the tray share it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "engine/job_outcome.h"

struct TProgressFigures {
  bool Active = false;   // a job runs
  bool Planned = false;  // its plan is known (before: it still compares)
  int Permille = 0;      // 0..1000
  std::int64_t ItemsDone = 0, ItemsPlanned = 0;  // steps settled (done or failed) and planned
  std::int64_t BytesDone = 0, BytesPlanned = 0;
  double BytesPerSecond = 0;     // 0 while not known
  std::int64_t SecondsLeft = -1; // -1 while not known
};

class TJobProgressView {
 public:
  using Clock = std::chrono::steady_clock;

  // A job began; what was shown before is forgotten.
  void Start(Clock::time_point now);
  // The display goes idle.
  void Stop();
  // A copy began (its first progress message) while the report read as
  // given, and has written copied bytes so far.
  void CopyStarted(const TJobProgress& progress);
  void CopyProgress(std::int64_t copied);
  // The figures now. The speed is taken over the last few seconds.
  TProgressFigures Update(const TJobProgress& progress, Clock::time_point now);

  // How long the speed is averaged over, and how long the job must have
  // written before a time left is given.
  static constexpr std::chrono::seconds kSpeedWindow{5};
  static constexpr std::chrono::milliseconds kFirstEstimate{1000};

 private:
  struct Sample {
    Clock::time_point at;
    double done;  // bytes, or steps when nothing is copied
  };
  bool active_ = false;
  Clock::time_point start_{};
  std::int64_t settledAtCopyStart_ = -1;  // -1: no copy open
  std::int64_t currentCopied_ = 0;
  std::deque<Sample> samples_;
};

// "已完成 120/2000 项，1.5MB/3.9GB"; "正在比较文件夹…" before the plan.
std::string ProgressCountText(const TProgressFigures& figures);
// "12.5MB/秒，剩余约 1分23秒", or what of it is known; empty before the plan.
std::string ProgressSpeedText(const TProgressFigures& figures);
// A whole duration for people: "45秒", "1分23秒", "2小时5分".
std::string DurationText(std::int64_t seconds);
