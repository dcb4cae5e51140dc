// Whether two files hold the same bytes, for telling a renamed file from two
// different files that only share a size and a modification time (files
// unpacked from one archive often do).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Files up to this size are compared byte for byte; larger ones in sampled
// blocks spread over the whole file, always including its first and last.
inline constexpr std::int64_t kFullCompareLimit = 16 << 20;
inline constexpr std::int64_t kSampleBlock = 64 << 10;
inline constexpr int kSampleCount = 32;

// True when both files (links followed) are regular files of one size whose
// compared bytes agree. False on any difference, and when either cannot be
// opened or read: a rename is only taken when it is known to be one.
bool sameContent(const std::string& a, const std::string& b);

}  // namespace platform
