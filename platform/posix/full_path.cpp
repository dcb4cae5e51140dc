// Current folder, length limit and folder existence on POSIX.
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/full_path.h"
#include "platform/full_path_internal.h"

namespace platform {

std::string currentFolder(std::error_code& error) {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(buffer.find('\0'));
      error.clear();
      return buffer;
    }
    if (errno != ERANGE) {
      error.assign(errno, std::generic_category());
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::size_t maxPathLength() noexcept { return PATH_MAX; }

bool isExistingFolder(const std::string& path) noexcept {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
