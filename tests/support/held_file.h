// A file locked the way a running copy locks its temporary file (an
// exclusive flock on an open descriptor of its own), for as long as the
// object lives.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

class HeldFile {
 public:
  // Opens and locks path; throws std::runtime_error when either fails.
  explicit HeldFile(const std::filesystem::path& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

 private:
  int fd_ = -1;
};

// True when some other open file holds a flock on path (a non-blocking try
// fails); false when it is free or does not exist.
bool isHeld(const std::filesystem::path& path);

}  // namespace testsupport

namespace testsupport {

// Copies a file of several chunks from sourceFolder into destinationFolder
// and, while the copy is under way, walks destinationFolder the way a second
// run's scan does (removing leftovers). Beside the copy lie an unheld
// leftover of the copy's exact form and a user's file that merely starts
// with the prefix. Returns what went wrong, one line each; empty when the
// copy's file was of the exact form, locked, not listed and not removed,
// the leftover was removed and the user's file was listed and kept.
std::string checkCopyTempSurvivesAWalk(const std::filesystem::path& sourceFolder,
                                       const std::filesystem::path& destinationFolder);

}  // namespace testsupport
