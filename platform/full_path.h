// Path facts the folder walk checks before it starts: the full (absolute,
// lexically normalised) form of a path, the platform's length limit and
// whether a folder exists at a path. Thread-safe; nothing here throws.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

struct FullPathResult {
  std::string path;      // absolute, "." and ".." resolved, single delimiters
  std::error_code error;  // set when the current folder could not be read
};

// The full form of path: a relative path is taken against the current
// folder. Nothing on disk is consulted apart from the current folder, and
// links are not resolved. On error, path holds the normalised input.
FullPathResult expandFullPath(std::string_view path);

// The longest path the platform accepts, terminator included (PATH_MAX).
std::size_t maxPathLength() noexcept;

// True when path names a folder, links followed.
bool isExistingFolder(const std::string& path) noexcept;

}  // namespace platform
