// The Windows errors that need the system's own names.
#include <windows.h>

#include <cerrno>

#include "platform/os_status.h"

namespace platform {
namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr int kDiskQuotaExceeded = 1295;

// ERROR_DEVICE_NOT_CONNECTED, written out for older headers.
constexpr int kDeviceNotConnected = 1167;

}  // namespace

int nearestErrnoOfSystemError(int value) {
  switch (value) {
    // A name the drive's file system cannot hold, which the library takes
    // for a missing file or does not know.
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_FILE_TOO_LARGE: return EFBIG;
    // A stick or a share that is gone: not a missing file.
    case ERROR_NOT_READY:
    case kDeviceNotConnected:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED: return ENXIO;
    default: return 0;
  }
}

bool isQuotaExceeded(const std::error_code& code) {
  return code.category() == std::system_category() && code.value() == kDiskQuotaExceeded;
}

}  // namespace platform
