// The errors of POSIX calls that need the system's own names.
#include <cerrno>
#include <system_error>

#include "platform/os_status.h"

namespace platform {

// errno values are the system's errors here.
int nearestErrnoOfSystemError(int) { return 0; }

bool isQuotaExceeded(const std::error_code& code) {
  return errnoOf(code) == EDQUOT;
}

}  // namespace platform
