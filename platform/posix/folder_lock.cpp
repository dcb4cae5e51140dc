// Folder locks as flock on a descriptor of the folder itself. flock is
// handled by the kernel for every file system that does not bring its own,
// FUSE ones included, belongs to the open descriptor (so a second attempt in
// the same process collides too) and dies with the last descriptor.
#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/posix/file_ops_internal.h"

namespace platform {
namespace {

// The folder's path with links resolved and, on a FUSE drive that ignores
// letter case, spelled as the drive lists it: such a drive gives each
// spelling its own inode, and a lock on one would not meet a lock on another.
std::string lockPath(const std::string& folder) {
  struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
  };
  const std::unique_ptr<char, FreeDeleter> real(::realpath(folder.c_str(), nullptr));
  if (!real) return folder;
  return detail::onDiskSpelling(real.get());
}

}  // namespace

FolderLock::FolderLock(const std::string& folder) {
  const int fd = ::open(lockPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    status_ = OsStatus::fromErrno(errno, "open", folder);
    return;
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    status_ = OsStatus::fromErrno(errno, "lock", folder);
    ::close(fd);
    return;
  }
  hold_ = fd;
}

FolderLock::~FolderLock() { release(); }

FolderLock::FolderLock(FolderLock&& other) noexcept
    : hold_(std::exchange(other.hold_, -1)), status_(std::move(other.status_)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    release();
    hold_ = std::exchange(other.hold_, -1);
    status_ = std::move(other.status_);
  }
  return *this;
}

void FolderLock::release() {
  // Closing the only descriptor releases the lock.
  if (hold_ >= 0) ::close(static_cast<int>(hold_));
  hold_ = -1;
}

bool FolderLock::heldElsewhere() const {
  return status_.operation == "lock" &&
         (status_.code == std::errc::operation_would_block ||
          status_.code == std::errc::resource_unavailable_try_again);
}

bool FolderLock::covers(const std::string& path) const {
  if (hold_ < 0) return false;
  struct stat mine {};
  if (::fstat(static_cast<int>(hold_), &mine) != 0) return false;
  const auto other = fileIdentity(path);
  return other && other->device == static_cast<std::uint64_t>(mine.st_dev) &&
         other->inode == static_cast<std::uint64_t>(mine.st_ino);
}

}  // namespace platform
