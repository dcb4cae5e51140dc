// Content comparison with pread, one buffer per file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/content_compare.h"

namespace platform {
namespace {

// Reads exactly size bytes at offset; false on a failure or a short file.
bool readAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, buffer, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {}
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  int fd() const { return fd_; }
  // The size of a regular file, or -1.
  std::int64_t regularSize() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
  }

 private:
  int fd_;
};

}  // namespace

bool sameContent(const std::string& a, const std::string& b) {
  const ReadOnlyFile fa(a), fb(b);
  const std::int64_t size = fa.regularSize();
  if (size < 0 || size != fb.regularSize()) return false;
  const std::int64_t block = size <= kFullCompareLimit ? std::int64_t{1} << 20 : kSampleBlock;
  std::vector<char> ba(static_cast<std::size_t>(block)), bb(static_cast<std::size_t>(block));
  auto compareAt = [&](std::int64_t offset) {
    const auto n = static_cast<std::size_t>(std::min(block, size - offset));
    return readAt(fa.fd(), ba.data(), n, offset) && readAt(fb.fd(), bb.data(), n, offset) &&
           std::memcmp(ba.data(), bb.data(), n) == 0;
  };
  if (size <= kFullCompareLimit) {
    for (std::int64_t offset = 0; offset < size; offset += block)
      if (!compareAt(offset)) return false;
    return true;
  }
  // Evenly spread blocks, the first at 0 and the last ending at the end.
  const std::int64_t span = size - block;
  for (int k = 0; k < kSampleCount; ++k)
    if (!compareAt(span * k / (kSampleCount - 1))) return false;
  return true;
}

}  // namespace platform
