// The kernel's calls behind the system-call table, and its override.
// Linux-only: copy_file_range, renameat2 (RENAME_NOREPLACE) and syncfs are
// Linux calls. Ported to another POSIX system, those entries would fail with
// ENOSYS: the copy and the rename then take their portable paths, and the
// flush reports the failure.
#include "platform/syscalls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace platform {
namespace {

int sysOpen(const char* path, int flags, unsigned mode) {
  return ::open(path, flags, static_cast<mode_t>(mode));
}
int sysOpenAt(int dirFd, const char* name, int flags, unsigned mode) {
  return ::openat(dirFd, name, flags, static_cast<mode_t>(mode));
}
int sysClose(int fd) { return ::close(fd); }
long sysRead(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
long sysWrite(int fd, const void* buffer, std::size_t size) { return ::write(fd, buffer, size); }
long sysCopyFileRange(int inFd, int outFd, std::size_t size) {
  return ::copy_file_range(inFd, nullptr, outFd, nullptr, size, 0);
}
int sysFchmod(int fd, unsigned mode) { return ::fchmod(fd, static_cast<mode_t>(mode)); }
int sysChmod(const char* path, unsigned mode) { return ::chmod(path, static_cast<mode_t>(mode)); }
int sysFutimens(int fd, std::int64_t seconds, std::int64_t nanoseconds) {
  // Access time "now" rather than UTIME_OMIT: exfat-fuse drops a change
  // of the modification time that comes without one of the access time.
  const struct timespec times[2] = {{0, UTIME_NOW},
                                    {static_cast<time_t>(seconds), static_cast<long>(nanoseconds)}};
  return ::futimens(fd, times);
}
int sysUtimens(const char* path, std::int64_t seconds, std::int64_t nanoseconds) {
  const struct timespec times[2] = {{0, UTIME_NOW},
                                    {static_cast<time_t>(seconds), static_cast<long>(nanoseconds)}};
  return ::utimensat(AT_FDCWD, path, times, 0);
}
int sysRename(const char* from, const char* to) { return ::rename(from, to); }
int sysLink(const char* existing, const char* newName) { return ::link(existing, newName); }
int sysRenameNoReplace(const char* from, const char* to) {
  return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int sysUnlink(const char* path) { return ::unlink(path); }
int sysUnlinkAt(int dirFd, const char* name, int flags) { return ::unlinkat(dirFd, name, flags); }
int sysMkdir(const char* path, unsigned mode) { return ::mkdir(path, static_cast<mode_t>(mode)); }
int sysRmdir(const char* path) { return ::rmdir(path); }
int sysFsync(int fd) { return ::fsync(fd); }
int sysSyncfs(int fd) { return ::syncfs(fd); }
int sysFlock(int fd, int operation) { return ::flock(fd, operation); }
std::int64_t sysLseek(int fd, std::int64_t offset, int whence) {
  return static_cast<std::int64_t>(::lseek(fd, static_cast<off_t>(offset), whence));
}
int sysFtruncate(int fd, std::int64_t length) { return ::ftruncate(fd, static_cast<off_t>(length)); }

constexpr Syscalls kReal{
    .open = sysOpen,
    .openAt = sysOpenAt,
    .close = sysClose,
    .read = sysRead,
    .write = sysWrite,
    .copyFileRange = sysCopyFileRange,
    .fchmod = sysFchmod,
    .chmod = sysChmod,
    .futimens = sysFutimens,
    .utimens = sysUtimens,
    .rename = sysRename,
    .link = sysLink,
    .renameNoReplace = sysRenameNoReplace,
    .unlink = sysUnlink,
    .unlinkAt = sysUnlinkAt,
    .mkdir = sysMkdir,
    .rmdir = sysRmdir,
    .fsync = sysFsync,
    .syncfs = sysSyncfs,
    .flock = sysFlock,
    .lseek = sysLseek,
    .ftruncate = sysFtruncate,
};

std::atomic<const Syscalls*> current{&kReal};

}  // namespace

const Syscalls& syscalls() { return *current.load(std::memory_order_acquire); }
const Syscalls& realSyscalls() { return kReal; }

ScopedSyscallOverride::ScopedSyscallOverride(const Syscalls& replacement)
    : table_(replacement), previous_(current.exchange(&table_, std::memory_order_acq_rel)) {}

ScopedSyscallOverride::~ScopedSyscallOverride() {
  current.store(previous_, std::memory_order_release);
}

}  // namespace platform
