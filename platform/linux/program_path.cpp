// The program's own file on Linux: /proc/self/exe resolved.
// Linux-only: /proc/self/exe.
#include <filesystem>

#include "platform/program_path.h"

namespace platform {

OsResult<std::string> programPath(const MachinePaths& machine) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path resolved = fs::canonical(machine.programPath, ec);
  if (!ec) return {resolved.string(), {}};
  // A program file replaced while running reads as "<path> (deleted)"; the
  // link text still names where the program was started from.
  std::error_code linkError;
  const fs::path target = fs::read_symlink(machine.programPath, linkError);
  if (!linkError && target.is_absolute()) return {target.string(), {}};
  // The failure is the one of resolving: a link to a relative name that
  // does not resolve names no program, and must not pass for a success.
  return {{}, OsStatus{ec, "resolve", machine.programPath}};
}

}  // namespace platform
