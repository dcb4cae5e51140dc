// What an open descriptor names, through the kernel's own short path.
#include <string>

#include "platform/posix/unix_variant.h"

namespace platform::detail {

std::string pathOfDescriptor(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace platform::detail
