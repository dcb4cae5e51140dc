// Windows has no FUSE: a mount is never available, so the cases on a
// mounted exFAT or FAT32 image skip there and say why.
#include "tests/support/fuse_mount.h"

#include <stdexcept>

namespace testsupport {

bool FuseMount::available(FuseFs, std::string& why) {
  why = "no FUSE on Windows";
  return false;
}

FuseMount::FuseMount(FuseFs kind, std::uint64_t, std::string tz) : fs_(kind), tz_(std::move(tz)) {
  throw std::runtime_error("no FUSE on Windows");
}

FuseMount::~FuseMount() = default;

void FuseMount::pull() const { throw std::runtime_error("no FUSE on Windows"); }

void FuseMount::remount(const std::string&) { throw std::runtime_error("no FUSE on Windows"); }

}  // namespace testsupport
