// Runs sync jobs against an inline "window" that records every message, and
// turns the recording into the log lines a window would show.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/big_change.h"
#include "engine/job_outcome.h"
#include "engine/job_settings.h"
#include "inventory/pglobal.h"
#include "platform/messages.h"

namespace testsupport {

struct Recorded {
  platform::UINT msg = 0;
  platform::WPARAM wParam = 0;
  std::string text;   // WM_LOGLINE / WM_LOGAPPEND
  TCopyInfo copy;     // WM_COPYSTART / WM_COPYPROGRESS
};

// The stamp every timed line carries under the fixed test clock.
inline constexpr const char* kStamp = "2026/12/9 10:00:00";

class JobHarness {
 public:
  JobHarness();
  ~JobHarness();

  // Runs one job to its end (WM_SYNCEND and destruction); fails the test on a
  // timeout. onMessage, if set, runs inside every handled message (on the
  // job's thread), e.g. to set StopSync at a chosen point.
  void run(TSyncType kind, const TJobSettings& settings);
  // The next runs are previews (dry runs).
  bool dryRun = false;
  std::function<void(const Recorded&)> onMessage;
  // The job's question before a big run, when set (on the job's thread).
  std::function<bool(const TBigChange&)> confirm;

  const std::vector<Recorded>& messages() const { return messages_; }
  // The outcome of the last run.
  const TJobOutcome& outcome() const { return outcome_; }
  std::vector<platform::UINT> numbers() const;
  // Log lines as the pane would hold them (CR LF split, appends joined; copy
  // lines with their last percentage).
  std::vector<std::string> lines() const;
  platform::HWND handle() const { return registration_.handle(); }
  std::shared_ptr<platform::InlineReceiver> receiver() const { return receiver_; }

 private:
  std::vector<Recorded> messages_;
  TJobOutcome outcome_;
  std::shared_ptr<platform::InlineReceiver> receiver_;
  platform::ScopedMessageTarget registration_;
};

}  // namespace testsupport
