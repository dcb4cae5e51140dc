// How a source entry pairs with a target entry: the outcome codes the change
// planning acts on, and the comparer that produces them from the entries'
// paths relative to their roots, their kinds, times and sizes.
#pragma once

#include <string>
#include <string_view>

#include "engine/time_match.h"
#include "inventory/file_info.h"

enum TCompareOutcome : int {
  Same = 0,
  SourceNewer = 11,
  SourceOnlyFile = 12,
  SourceOnlyDir = 14,
  TargetNewer = 21,
  TargetOnlyFile = 22,
  TargetOnlyDir = 24,
};

// Whole seconds of the time-of-day part of |A - B| (whole days dropped).
int SecondsOfTimeDiff(TDateTime A, TDateTime B);

// Captures the two roots, and how the two drives' times match, by
// reference: the job fills them after creating it.
class TEntryComparer {
 public:
  TEntryComparer(const std::string& aFirstDir, const std::string& aSecondDir)
      : aFirstDir_(aFirstDir), aSecondDir_(aSecondDir), times_(kExactTimes) {}
  TEntryComparer(const std::string& aFirstDir, const std::string& aSecondDir, const TTimeMatch& times)
      : aFirstDir_(aFirstDir), aSecondDir_(aSecondDir), times_(times) {}

  // Source entry S (relative to aFirstDir) against target entry T (relative
  // to aSecondDir). Ordering uses the total locale order that the inventories
  // are sorted with, so case variants pair deterministically.
  int operator()(const TFileInfo& S, const TFileInfo& T) const;

  const TTimeMatch& Times() const { return times_; }

 private:
  static inline const TTimeMatch kExactTimes{};
  const std::string& aFirstDir_;
  const std::string& aSecondDir_;
  const TTimeMatch& times_;
};
