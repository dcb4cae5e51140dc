// Exact entries from lstat: permission bits and nanosecond times.
#include "tests/support/exact_entry.h"

#include <sys/stat.h>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace testsupport {

ExactEntry exactEntry(const fs::path& path) {
  ExactEntry e;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return e;
  e.mode = st.st_mode & 07777;
  e.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  if (S_ISREG(st.st_mode)) {
    e.kind = 'f';
    e.size = st.st_size;
    e.content = readFile(path);
  } else if (S_ISDIR(st.st_mode)) {
    e.kind = 'd';
  } else if (S_ISLNK(st.st_mode)) {
    e.kind = 'l';
    e.linkTarget = fs::read_symlink(path).string();
  }
  return e;
}

}  // namespace testsupport
