// The running program's own file, by identity.
// Linux-only: /proc/self/exe as the fallback.
#include <sys/stat.h>

#include <optional>
#include <utility>

#include "platform/posix/file_ops_internal.h"
#include "platform/program_path.h"

namespace platform::detail {

bool isRunningProgram(const struct stat& st) {
  // The program file cannot change under a running process: taken once.
  // Through programPath, so a program started by the dynamic loader guards
  // its own file, not the loader's.
  static const std::optional<std::pair<dev_t, ino_t>> program = []() -> std::optional<std::pair<dev_t, ino_t>> {
    struct stat self {};
    const auto path = programPath();
    if ((!path.ok() || ::stat(path.value.c_str(), &self) != 0) && ::stat("/proc/self/exe", &self) != 0)
      return std::nullopt;
    return std::pair{self.st_dev, self.st_ino};
  }();
  return program && S_ISREG(st.st_mode) && st.st_dev == program->first && st.st_ino == program->second;
}

}  // namespace platform::detail
