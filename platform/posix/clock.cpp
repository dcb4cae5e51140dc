// Local time on POSIX: the real clock and UTC-to-local conversion.
#include <sys/time.h>
#include <time.h>

#include <array>
#include <atomic>
#include <climits>

#include "platform/datetime_internal.h"

namespace platform {
namespace {

// localtime_r takes a global lock and re-reads TZ on every call; a walk of a
// large tree converts one time per file, so offsets are cached per quarter
// hour (zone changes happen on such boundaries).
constexpr std::int64_t kBucketSeconds = 900;

struct OffsetCache {
  struct Slot {
    std::int64_t bucket = INT64_MIN;
    std::int64_t offset = 0;
  };
  std::array<Slot, 1024> slots{};
  unsigned generation = 0;
};

std::atomic<unsigned> cacheGeneration{1};
thread_local OffsetCache cache;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t utcOffset(std::int64_t seconds) {
  const unsigned gen = cacheGeneration.load(std::memory_order_relaxed);
  if (cache.generation != gen) {
    cache.slots.fill({});
    cache.generation = gen;
  }
  const std::int64_t bucket = floorDiv(seconds, kBucketSeconds);
  auto& slot = cache.slots[static_cast<std::size_t>(bucket) & (cache.slots.size() - 1)];
  if (slot.bucket != bucket) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    slot.offset = localtime_r(&t, &local) ? local.tm_gmtoff : 0;
    slot.bucket = bucket;
  }
  return slot.offset;
}

TDateTime fromLocalMilliseconds(std::int64_t localMs) {
  const std::int64_t days = floorDiv(localMs, MSecsPerDay);
  return composeDateTime(days + UnixDateDelta, localMs - days * MSecsPerDay);
}

}  // namespace

void resetTimeZoneCache() {
  tzset();
  cacheGeneration.fetch_add(1, std::memory_order_relaxed);
}

TDateTime fileTimeToDateTime(std::int64_t seconds, std::int64_t nanoseconds) {
  const std::int64_t local = seconds + utcOffset(seconds);
  return fromLocalMilliseconds(local * 1000 + nanoseconds / 1'000'000);
}

TDateTime systemNow() {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  const time_t t = ts.tv_sec;
  struct tm local {};
  const std::int64_t offset = localtime_r(&t, &local) ? local.tm_gmtoff : 0;
  return fromLocalMilliseconds((static_cast<std::int64_t>(ts.tv_sec) + offset) * 1000 +
                               ts.tv_nsec / 1'000'000);
}

}  // namespace platform
