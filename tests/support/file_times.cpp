#include "tests/support/file_times.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <stdexcept>

namespace testsupport {

void setMTime(const std::filesystem::path& path, std::int64_t seconds, long nanoseconds) {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = nanoseconds;
  times[1] = times[0];
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("cannot set the time of " + path.string());
}

std::int64_t mtimeNs(const std::filesystem::path& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + path.string());
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

}  // namespace testsupport
