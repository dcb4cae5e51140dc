// Helpers for tests that build folder trees: exact modification times and
// named pipes, without including OS headers.
#pragma once

#include <cstdint>
#include <filesystem>

namespace testsupport {

// Sets the modification time (UTC seconds since the epoch and nanoseconds).
void setModificationTime(const std::filesystem::path& file, std::int64_t seconds,
                         std::int64_t nanoseconds = 0);

// Creates a named pipe (through mkfifo(1)); throws when that fails.
void makeFifo(const std::filesystem::path& file);

}  // namespace testsupport
