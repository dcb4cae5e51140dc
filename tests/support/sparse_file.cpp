#include "tests/support/sparse_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

void writeSparseFile(const std::filesystem::path& path, std::int64_t size, const std::vector<DataAt>& pieces) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path.string());
  bool ok = ::ftruncate(fd, size) == 0;
  for (const DataAt& piece : pieces)
    ok = ok && ::pwrite(fd, piece.data.data(), piece.data.size(), piece.offset) ==
                   static_cast<ssize_t>(piece.data.size());
  if (::close(fd) != 0 || !ok) throw std::runtime_error("cannot write " + path.string());
}

std::int64_t allocatedBytes(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + path.string());
  return static_cast<std::int64_t>(st.st_blocks) * 512;
}

bool holesKeptIn(const std::filesystem::path& folder) {
  const auto probe = folder / "hole-probe";
  writeSparseFile(probe, 16 << 20, {});
  const bool kept = allocatedBytes(probe) < (1 << 20);
  std::filesystem::remove(probe);
  return kept;
}

}  // namespace testsupport
