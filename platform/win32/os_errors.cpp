// The Windows errors that need the system's own names.
#include <windows.h>

#include "platform/os_status.h"

namespace platform {
namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr int kDiskQuotaExceeded = 1295;

}  // namespace

bool isQuotaExceeded(const std::error_code& code) {
  return code.category() == std::system_category() && code.value() == kDiskQuotaExceeded;
}

}  // namespace platform
