// The running program's own file, by identity.
// Linux-only: /proc/self/exe.
#include <sys/stat.h>

#include <optional>
#include <utility>

#include "platform/posix/file_ops_internal.h"

namespace platform::detail {

bool isRunningProgram(const struct stat& st) {
  // The program file cannot change under a running process: taken once.
  static const std::optional<std::pair<dev_t, ino_t>> program = []() -> std::optional<std::pair<dev_t, ino_t>> {
    struct stat self {};
    if (::stat("/proc/self/exe", &self) != 0) return std::nullopt;
    return std::pair{self.st_dev, self.st_ino};
  }();
  return program && S_ISREG(st.st_mode) && st.st_dev == program->first && st.st_ino == program->second;
}

}  // namespace platform::detail
