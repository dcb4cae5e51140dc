// The program's own file on Linux: /proc/self/exe resolved, or, for a
// program started through the dynamic loader ("ld-linux-x86-64.so.2
// ./CorvelDrovan", as the bundle's launcher does on drives that carry no
// execute bit), the file the loader mapped the program from.
// Linux-only: /proc/self/exe, /proc/self/maps, the auxiliary vector.
#include <sys/auxv.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/program_path.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The kernel writes a newline in a mapped file's name as "\012".
std::string unescapeMapName(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name.compare(i, 4, "\\012") == 0) {
      out += '\n';
      i += 3;
    } else {
      out += name[i];
    }
  }
  return out;
}

// The name of the file this code was mapped from, as the kernel lists it:
// absolute, links resolved, " (deleted)" appended once the file is gone.
// Empty when no mapping holds it.
std::string fileHoldingThisCode() {
  const auto here = reinterpret_cast<std::uintptr_t>(&fileHoldingThisCode);
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    std::uintptr_t start = 0, end = 0;
    int nameAt = 0;
    if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR " %*s %*s %*s %*s %n", &start, &end, &nameAt) < 2)
      continue;
    if (here < start || here >= end || nameAt <= 0) continue;
    const std::string name = line.substr(static_cast<std::size_t>(nameAt));
    return name.starts_with('/') ? unescapeMapName(name) : std::string();
  }
  return {};
}

// When the kernel started the dynamic loader as the program and the loader
// then mapped this program, /proc/self/exe names the loader; this gives the
// program's own file instead. nullopt on every other start, and for a path
// that is not the kernel's executable at all (a fake machine's program).
std::optional<std::string> programBehindLoader(const fs::path& resolved) {
  // The kernel loaded an interpreter for the executable: the executable is
  // this program, the ordinary start.
  if (::getauxval(AT_BASE) != 0) return std::nullopt;
  struct stat exe {}, named {}, code {};
  if (::stat("/proc/self/exe", &exe) != 0 || ::stat(resolved.c_str(), &named) != 0 || !sameFile(exe, named))
    return std::nullopt;
  std::string holder = fileHoldingThisCode();
  if (holder.empty()) return std::nullopt;
  constexpr std::string_view deleted = " (deleted)";
  if (::stat(holder.c_str(), &code) != 0) {
    // Replaced or removed while running: the name still says where the
    // program was started from, as for an ordinary start.
    if (!holder.ends_with(deleted)) return std::nullopt;
    holder.resize(holder.size() - deleted.size());
    return holder;
  }
  // A static program is its own executable.
  if (sameFile(code, exe)) return std::nullopt;
  std::error_code ec;
  const fs::path canonical = fs::canonical(holder, ec);
  return ec ? holder : canonical.string();
}

}  // namespace

OsResult<std::string> programPath(const MachinePaths& machine) {
  std::error_code ec;
  const fs::path resolved = fs::canonical(machine.programPath, ec);
  if (!ec) {
    if (std::optional<std::string> program = programBehindLoader(resolved)) return {std::move(*program), {}};
    return {resolved.string(), {}};
  }
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
