// Setting and reading file modification times in tests.
#pragma once

#include <cstdint>
#include <filesystem>

namespace testsupport {

// Sets the modification time (seconds since the epoch, UTC, and nanoseconds)
// without following a final link.
void setMTime(const std::filesystem::path& path, std::int64_t seconds, long nanoseconds = 0);
// Modification time in nanoseconds since the epoch.
std::int64_t mtimeNs(const std::filesystem::path& path);

}  // namespace testsupport
