// The outcome of a call into the operating system. Platform services never
// throw; they return an OsStatus (or an OsResult carrying one) that names the
// failed operation, the path it was about and the system's error code (errno,
// in the generic category; on Windows the error of the failed call, in the
// system category, which compares equal to the matching std::errc). The layers above turn it into the system's
// exceptions and log lines; describe() is the one text for people.
#pragma once

#include <string>
#include <system_error>
#include <utility>

namespace platform {

// ok() when the operation succeeded. Otherwise `code` holds the errno,
// `operation` the call that failed ("open", "write", "rename", "copy" for a
// refusal, ...) and `path` the path the user knows it by (for a copy, the
// destination rather than its temporary file). There is deliberately no
// conversion to bool: test ok() so that no reader has to guess which way a
// bare `if (status)` goes.
struct OsStatus {
  std::error_code code;  // empty on success
  std::string operation;
  std::string path;

  bool ok() const noexcept { return !code; }

  // A failure with the errno value `error`.
  static OsStatus fromErrno(int error, std::string operation, std::string path) {
    return {std::error_code(error, std::generic_category()), std::move(operation), std::move(path)};
  }
};

// The failure for people: operation, quoted path, strerror text, e.g.
// "write '/media/u/a.txt': No space left on device" ("open: ..." when there
// is no path). Empty for a success. Thread-safe.
std::string describe(const OsStatus& status);

// The errno value (generic category) that a status's code stands for: the
// value itself for an errno, the nearest errno for a system error of the OS
// (a Windows error code); 0 when there is none. Thread-safe.
int errnoOf(const std::error_code& code);

// The errno for a system error of the OS where the standard library's
// relation misses or misleads (on Windows a refused name is no missing
// file, a stick that is gone no missing file either); 0 to leave it to that
// relation. Thread-safe.
int nearestErrnoOfSystemError(int value);

// True when the code says the user's share of the drive is used up (a disk
// quota), which people read as a full drive.
bool isQuotaExceeded(const std::error_code& code);

// A value, or the failure that prevented it (value then default).
template <class T>
struct OsResult {
  T value{};
  OsStatus status;

  bool ok() const noexcept { return status.ok(); }
};

}  // namespace platform
