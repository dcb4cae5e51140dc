// Sparse files for the copy's tests: data at chosen places, holes between.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct DataAt {
  std::int64_t offset;
  std::string data;
};

// Writes a file of `size` bytes holding `pieces` and nothing (holes, where
// the file system has them) elsewhere.
void writeSparseFile(const std::filesystem::path& path, std::int64_t size, const std::vector<DataAt>& pieces);

// Bytes the file system has allocated for the file (st_blocks * 512).
std::int64_t allocatedBytes(const std::filesystem::path& path);

// True when a file made here of one large hole takes almost no space.
bool holesKeptIn(const std::filesystem::path& folder);

}  // namespace testsupport
