// The live progress line of the command line on a terminal: the file being
// copied with its percentage, files done of files planned, and the copy rate.
// Redrawn at most ten times a second and cleared at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "inventory/pglobal.h"

class ProgressMeter {
 public:
  explicit ProgressMeter(std::ostream& out) : out_(out), start_(Clock::now()) {}

  // Feeds one message of the job (the job's thread).
  void observe(platform::UINT msg, platform::WPARAM wParam);
  // Removes the line.
  void clear();

 private:
  using Clock = std::chrono::steady_clock;
  void draw(bool force);

  std::ostream& out_;
  Clock::time_point start_;
  Clock::time_point lastDraw_{};
  std::string file_;
  std::string percent_;
  std::int64_t planned_ = 0;
  std::int64_t done_ = 0;
  std::int64_t bytes_ = 0;         // copied in finished files
  std::int64_t currentBytes_ = 0;  // copied of the current file
  bool drawn_ = false;
};

// The number in a count line ("...文件共12个" gives 12); -1 for other lines.
// Folder counts ("...文件夹共3个") are not file counts and give -1.
std::int64_t PlannedFileCount(const std::string& line);
