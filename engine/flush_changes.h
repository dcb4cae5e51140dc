// The flush at the end of a job: what the run changed on each side reaches
// the device before the closing line, and a drive that cannot take it (a
// stick smaller than it claims answers EIO) is reported, not called done.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/os_status.h"

// What one side of a run changed. On kernel drives the whole drive is
// flushed at once; on FUSE drives, which never hear of that, each written
// file and each changed folder is flushed by itself, so those are kept,
// unless the flush of one entry covers the whole drive
// (platform::anyFlushCoversDrive): then the root is flushed.
class TChangedSide {
 public:
  explicit TChangedSide(std::string root);

  // A file this run wrote at path; flushed: it is on the drive already.
  void Wrote(const std::string& path, bool flushed = false);
  // An entry this run created, renamed or removed at path (its folder changed).
  void Changed(const std::string& path);
  bool Any() const { return changed_; }

  // Flushes this side, all of it even after a failure; the first failure.
  platform::OsStatus Flush() const;
  const std::string& Root() const { return root_; }

 private:
  std::string root_;
  bool fuse_;
  bool wholeByOne_;  // one flush covers the whole drive
  bool perFile_;
  bool changed_ = false;
  std::vector<std::string> files_;
  std::set<std::string> folders_;
};

struct TFlushFailure {
  std::string Root;  // the side whose changes may not be on its drive
  platform::OsStatus Status;
};

// Flushes every side that changed, a kernel drive shared by two sides once.
// One failure per side that did not flush, in side order.
std::vector<TFlushFailure> FlushChangedSides(const std::vector<const TChangedSide*>& sides);
