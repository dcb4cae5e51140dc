// The program's own file on Linux: /proc/self/exe resolved.
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
  const fs::path target = fs::read_symlink(machine.programPath, ec);
  if (!ec && target.is_absolute()) return {target.string(), {}};
  return {{}, OsStatus{ec, "resolve", machine.programPath}};
}

}  // namespace platform
