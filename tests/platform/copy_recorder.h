// What the copy's tests share: every progress call, and a cancel at one.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/file_ops.h"

namespace copytests {

struct Call {
  platform::CopyStep step;
  std::int64_t copied;
  std::int64_t total;
  bool operator==(const Call&) const = default;
};

// Records every progress call; cancels at call number `cancelAt` (1-based).
struct Recorder {
  std::vector<Call> calls;
  int cancelAt = 0;
  platform::CopyProgress callback() {
    return [this](platform::CopyStep step, std::int64_t copied, std::int64_t total) {
      calls.push_back({step, copied, total});
      return static_cast<int>(calls.size()) == cancelAt ? platform::CopyProgressAction::Cancel
                                                        : platform::CopyProgressAction::Continue;
    };
  }
};

inline constexpr std::int64_t MiB = platform::kCopyChunkSize;

}  // namespace copytests
