// Small checks on real files shared by the file-operation tests.
#pragma once

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>

#include "platform/file_ops.h"

namespace testsupport {

// Deterministic content of `size` bytes that differs with `seed`.
std::string patternBytes(std::size_t size, unsigned seed = 1);

// How many copy temporary files `folder` holds (not recursive).
int copyTempFiles(const std::filesystem::path& folder);

// The names `folder` lists, sorted.
std::string listing(const std::filesystem::path& folder);

}  // namespace testsupport

namespace platform {
// Readable identities in test failure messages.
inline void PrintTo(const FileIdentity& id, std::ostream* out) {
  *out << "{device " << id.device << ", inode " << id.inode << "}";
}
}  // namespace platform
