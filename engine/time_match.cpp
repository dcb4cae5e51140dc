#include "engine/time_match.h"

#include <algorithm>
#include <cstdlib>

#include "platform/datetime.h"

namespace {

constexpr std::int64_t kHourMs = 3'600'000;

}  // namespace

TTimeMatch::TTimeMatch(const platform::DriveFormat& a, const platform::DriveFormat& b, std::int32_t maxShiftHours)
    : stepMs_(std::max(a.timeStepMs, b.timeStepMs)),
      maxShiftHours_(a.localTimes || b.localTimes ? std::max(maxShiftHours, 0) : 0) {}

bool TTimeMatch::Same(TDateTime a, TDateTime b, bool equalSizes) const {
  if (Exact()) return a == b;
  const std::int64_t ms = std::llabs(platform::millisecondsBetween(a, b));
  if (ms < stepMs_ || a == b) return true;
  return equalSizes && Shifted(ms);
}

int TTimeMatch::Order(TDateTime a, TDateTime b) const {
  if (stepMs_ > 0 && std::llabs(platform::millisecondsBetween(a, b)) < stepMs_) return 0;
  return a < b ? -1 : (a > b ? 1 : 0);
}

bool TTimeMatch::Shifted(std::int64_t ms) const {
  if (maxShiftHours_ == 0) return false;
  const std::int64_t hours = (ms + kHourMs / 2) / kHourMs;
  return hours >= 1 && hours <= maxShiftHours_ && std::llabs(ms - hours * kHourMs) <= kShiftToleranceMs;
}
