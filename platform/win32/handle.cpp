#include "platform/win32/handle.h"

namespace platform::win32 {

bool Handle::close() {
  if (!valid()) return true;
  const bool ok = CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != 0;
  return ok;
}

}  // namespace platform::win32
