// What a window shows of the whole job beside its sync buttons and in its
// tray icon's tool tip, shared by the Qt and the Win32 window: follows the
// job's messages, and is read at the log pane's pace. Qt-free; the drawing
// is the window's.
#pragma once

#include <chrono>
#include <string>

#include "engine/job_outcome.h"
#include "engine/job_progress_view.h"
#include "platform/messages.h"

class JobProgressDisplay {
 public:
  using Clock = std::chrono::steady_clock;

  // What a message did to the display: a job began (show it and start
  // reading it), ended (hide it, the tool tip back to kTrayTip), or neither.
  enum class Change { None, Began, Ended };
  // Any of the job's messages; `job` is the report of the job they come from
  // (may be null).
  Change Message(platform::UINT msg, platform::WPARAM wParam, const TJobReport* job, Clock::time_point now);

  struct Shown {
    bool Active = false;  // false: leave the display as it is
    int Permille = 0;     // the bar, 0..1000
    std::string Label;    // the counts, and on a second line the speed and time left
    bool TipDue = false;  // the tool tip is to be set to Tip now
    std::string Tip;
  };
  Shown Read(const TJobReport* job, Clock::time_point now);

  // The tool tip while idle, and the first line of it during a job.
  static constexpr char kTrayTip[] = "CorvelDrovan";
  // The tool tip goes through the desktop's tray service; once a second is
  // enough for it.
  static constexpr std::chrono::seconds kTipInterval{1};

 private:
  TJobProgressView view_;
  Clock::time_point tipShownAt_{};
};
