#include <sys/statvfs.h>

#include "platform/drives.h"
#include "platform/posix/file_ops_internal.h"

namespace platform {

OsResult<std::int64_t> driveCapacity(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return {0, detail::lastError("statvfs", path)};
  return {static_cast<std::int64_t>(info.f_blocks) * static_cast<std::int64_t>(info.f_frsize), {}};
}

OsResult<DriveSpace> driveFreeSpace(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return {{}, detail::lastError("statvfs", path)};
  const auto unit = static_cast<std::int64_t>(info.f_frsize);
  return {{static_cast<std::int64_t>(info.f_bavail) * unit, unit}, {}};
}

}  // namespace platform
