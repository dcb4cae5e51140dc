// Entries for the system-call table (platform/syscalls.h) that fail at
// once. The signature comes from the entry assigned to, so one template
// serves every call: `table.rename = testsupport::failWith<EIO>;`.
#pragma once

#include <cerrno>

namespace testsupport {

// Sets errno to Error (0 for a failure that gives no reason) and returns -1.
template <int Error, class Result, class... Args>
Result failWith(Args...) {
  errno = Error;
  return static_cast<Result>(-1);
}

}  // namespace testsupport
