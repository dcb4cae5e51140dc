// The one mapping of Windows failures into the platform's results: the
// thread's last error in the system category (libstdc++ relates those
// codes to std::errc, so callers test them as on POSIX).
#pragma once

#include <windows.h>

#include <string>
#include <system_error>

#include "platform/os_status.h"

namespace platform::win32 {

inline std::error_code windowsError(DWORD error) { return {static_cast<int>(error), std::system_category()}; }
inline std::error_code lastError() { return windowsError(GetLastError()); }

inline OsStatus failure(DWORD error, std::string operation, std::string path) {
  return {windowsError(error), std::move(operation), std::move(path)};
}
inline OsStatus lastFailure(std::string operation, std::string path) {
  return failure(GetLastError(), std::move(operation), std::move(path));
}

}  // namespace platform::win32
