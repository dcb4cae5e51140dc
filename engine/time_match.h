// When two file times, one from each folder, are one time. A drive keeps
// times only as finely as its format allows (FAT in 2-second steps, exfat-fuse
// in whole seconds), so a copy's time may lie up to one step below or above
// its source's; and FAT keeps local time, so a stick moved to another time
// zone, or across a daylight-saving change, shows every time moved by whole
// hours. Built once per job from the two drives' formats; a value, no calls
// into the system.
#pragma once

#include <cstdint>

#include "inventory/file_info.h"
#include "platform/drives.h"

class TTimeMatch {
 public:
  // Two drives as fine as the clock: times match only when equal.
  TTimeMatch() = default;
  // The coarser step of the two drives; whole-hour shifts from 1 up to
  // maxShiftHours when either keeps local time (0 takes none).
  TTimeMatch(const platform::DriveFormat& a, const platform::DriveFormat& b, std::int32_t maxShiftHours);

  // a and b are one time: within one step of each other, or, for two files
  // of equal size, apart by whole hours within the shift tolerance.
  bool Same(TDateTime a, TDateTime b, bool equalSizes) const;
  // -1, 0 or 1 as a lies before, within one step of, or after b (no shifts).
  int Order(TDateTime a, TDateTime b) const;
  // No step and no shift: every difference counts.
  bool Exact() const { return stepMs_ == 0 && maxShiftHours_ == 0; }

  // Drift allowed around a whole-hour shift, in milliseconds.
  static constexpr std::int64_t kShiftToleranceMs = 2000;

 private:
  bool Shifted(std::int64_t ms) const;

  std::int64_t stepMs_ = 0;
  std::int32_t maxShiftHours_ = 0;
};
