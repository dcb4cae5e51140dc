// Pieces shared by the POSIX file operations and the atomic whole-file
// write: descriptor and folder-stream ownership, errno to OsStatus, writing
// a whole buffer, path splitting and joining, and the respelling of paths
// on FUSE drives that ignore letter case.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_ops.h"
#include "platform/syscalls.h"

namespace platform::detail {

// Owns a descriptor; closes it (through the table) unless released.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  void reset() {
    if (fd_ >= 0) {
      const int saved = errno;
      syscalls().close(fd_);
      errno = saved;
    }
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// The failure described by the current errno. A call that failed without
// setting errno has failed all the same; it counts as EIO.
inline OsStatus lastError(std::string operation, std::string path) {
  return OsStatus::fromErrno(errno != 0 ? errno : EIO, std::move(operation), std::move(path));
}

// Writes all `size` bytes through the table, retrying short and interrupted
// writes. False with errno set on failure; a write that moves nothing is EIO.
inline bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const long n = syscalls().write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// "/a/b/c" -> "/a/b"; "c" -> "."; "/c" -> "/". Trailing slashes are ignored.
std::string parentOf(std::string_view path);
// "/a/b/c" -> "c". Trailing slashes are ignored.
std::string baseName(std::string_view path);
// `folder` and `name` joined by one "/" (none added when folder ends in one).
std::string joinPath(std::string_view folder, std::string_view name);

// Closes a folder stream opened with opendir or fdopendir.
struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// True when st (not a link) is the running program's own file. It counts as
// in use: deleting it or putting another file in its place fails with
// ETXTBSY, as it does where a running program's file is locked. Linux would
// allow both, and a drive would lose the program that runs from it.
bool isRunningProgram(const struct stat& st);

// True when the folder `dir` is on a FUSE file system.
bool isOnFuse(const std::string& dir);

// True when reading the folder `dir` yields exactly `name`.
bool isListed(const std::string& dir, std::string_view name);

// `path` with every name inside a FUSE folder replaced by the spelling the
// folder lists, where the given one is not listed as such but exactly one
// listed name equals it ignoring letter case. Other names stay as given.
std::string onDiskSpelling(const std::string& path);

}  // namespace platform::detail
