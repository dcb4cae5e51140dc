// A second name for the running test program's file (a hard link), which
// the file operations must treat as the running program itself.
#pragma once

#include <filesystem>
#include <system_error>

namespace testsupport {

// Links the running program's file at `at`; false where the two folders
// are on different file systems or links are not allowed.
inline bool linkRunningProgram(const std::filesystem::path& at) {
  std::error_code ec;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return false;
  std::filesystem::create_hard_link(program, at, ec);
  return !ec;
}

}  // namespace testsupport
