// A FUSE drive told by statfs's f_type, compared with the kernel's FUSE
// magic number.
#include <sys/vfs.h>

#include "platform/posix/unix_variant.h"

namespace platform::detail {

namespace {
constexpr long kFuseSuperMagic = 0x65735546;
}

bool onFuseDrive(const std::string& dir) {
  struct statfs info {};
  return ::statfs(dir.c_str(), &info) == 0 && info.f_type == kFuseSuperMagic;
}

bool onFuseDrive(int fd) {
  struct statfs info {};
  return ::fstatfs(fd, &info) == 0 && info.f_type == kFuseSuperMagic;
}

}  // namespace platform::detail
