#include <fcntl.h>
#include <sys/stat.h>

#include "platform/drives.h"
#include "platform/flush.h"
#include "platform/posix/file_ops_internal.h"

namespace platform {

bool needsFlushPerFile(const std::string& folder) {
  return detail::isOnFuse(isDirectory(folder) ? folder : detail::parentOf(folder));
}

bool anyFlushCoversDrive(const std::string& folder) {
  return needsFlushPerFile(folder) && driveFormatOf(folder).kind == FileSystemKind::Exfat;
}

OsStatus flushEntry(const std::string& path) {
  detail::UniqueFd fd(syscalls().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0));
  if (!fd.valid()) return detail::lastError("open", path);
  if (syscalls().fsync(fd.get()) == 0) return OsStatus{};
  const int error = errno;
  struct stat st {};
  if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode) &&
      (error == EINVAL || error == ENOSYS || error == EROFS))
    return OsStatus{};
  return OsStatus::fromErrno(error, "fsync", path);
}

}  // namespace platform
