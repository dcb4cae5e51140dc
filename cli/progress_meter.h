// The live progress line of the command line on a terminal: the file being
// copied with its percentage, copies done of copies planned, and the copy rate.
// Redrawn at most ten times a second and cleared at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "engine/job_outcome.h"
#include "inventory/pglobal.h"

class ProgressMeter {
 public:
  // The planned copies come from the job's report.
  ProgressMeter(std::ostream& out, const TJobReport& report) : out_(out), report_(report), start_(Clock::now()) {}

  // Feeds one message of the job (the job's thread).
  void observe(platform::UINT msg, platform::WPARAM wParam);
  // Removes the line.
  void clear();

 private:
  using Clock = std::chrono::steady_clock;
  void draw(bool force);

  std::ostream& out_;
  const TJobReport& report_;
  Clock::time_point start_;
  Clock::time_point lastDraw_{};
  std::string file_;
  std::string percent_;
  std::int64_t done_ = 0;
  std::int64_t bytes_ = 0;         // copied in finished files
  std::int64_t currentBytes_ = 0;  // copied of the current file
  bool drawn_ = false;
};
