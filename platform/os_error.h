// The failure record of the platform layer. Platform services never throw;
// they return an OsError (or an OsResult carrying one) that names the failed
// operation, the path it was about and the system's error code (errno, in the
// generic category). The layers above turn it into the system's exceptions.
#pragma once

#include <string>
#include <system_error>
#include <utility>

namespace platform {

struct OsError {
  std::error_code code;    // empty on success
  std::string operation;   // "open", "rename", ...
  std::string path;

  explicit operator bool() const noexcept { return static_cast<bool>(code); }

  static OsError fromErrno(int error, std::string operation, std::string path) {
    return {std::error_code(error, std::generic_category()), std::move(operation), std::move(path)};
  }

  // For people: "operation path: reason".
  std::string describe() const;
};

// A value or the failure that prevented it.
template <class T>
struct OsResult {
  T value{};
  OsError error;

  bool ok() const noexcept { return !error; }
};

}  // namespace platform
