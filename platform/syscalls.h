// The seam between the platform layer and the kernel: every call that
// copies, renames, deletes or writes a file (the file operations and the
// atomic whole-file write alike) goes through one table of function
// pointers, so tests can make the Nth write fail with ENOSPC or EIO without a
// full disk. The entries follow the POSIX calls of the same name (Linux
// ones for copyFileRange, renameNoReplace and syncfs); a failing entry
// returns -1 and sets errno. Flags and modes are the OS's own values.
// Calls that only read metadata (stat, readdir) do not go through it, nor
// does reading a whole file (readWholeFile).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct Syscalls {
  int (*open)(const char* path, int flags, unsigned mode);
  int (*openAt)(int dirFd, const char* name, int flags, unsigned mode);
  int (*close)(int fd);
  long (*read)(int fd, void* buffer, std::size_t size);
  long (*write)(int fd, const void* buffer, std::size_t size);
  // copy_file_range at the current offsets of both descriptors.
  long (*copyFileRange)(int inFd, int outFd, std::size_t size);
  int (*fchmod)(int fd, unsigned mode);
  int (*chmod)(const char* path, unsigned mode);
  // futimens setting the modification time (and the access time to now).
  int (*futimens)(int fd, std::int64_t seconds, std::int64_t nanoseconds);
  // The same by path (utimensat), for a file no longer open.
  int (*utimens)(const char* path, std::int64_t seconds, std::int64_t nanoseconds);
  int (*rename)(const char* from, const char* to);
  // link(2): the old versions keep a second name of a file to be replaced.
  int (*link)(const char* existing, const char* newName);
  // renameat2 with RENAME_NOREPLACE.
  int (*renameNoReplace)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*unlinkAt)(int dirFd, const char* name, int flags);
  int (*mkdir)(const char* path, unsigned mode);
  int (*rmdir)(const char* path);
  int (*fsync)(int fd);
  int (*syncfs)(int fd);
  // flock(2); the copy holds LOCK_EX on its temporary file.
  int (*flock)(int fd, int operation);
  // lseek(2), SEEK_DATA and SEEK_HOLE included: the copy finds a sparse
  // source's data with them and leaves holes in the copy.
  std::int64_t (*lseek)(int fd, std::int64_t offset, int whence);
  int (*ftruncate)(int fd, std::int64_t length);
};

// The table in force. Thread-safe to call; the returned reference stays
// valid until the override that installed it ends.
const Syscalls& syscalls();
// The kernel's own calls, for replacements that pass most calls through.
const Syscalls& realSyscalls();

// Installs a table for its lifetime and restores the previous one after.
// For tests: install before, and end after, any thread uses the table.
class ScopedSyscallOverride {
 public:
  explicit ScopedSyscallOverride(const Syscalls& replacement);
  ~ScopedSyscallOverride();
  ScopedSyscallOverride(const ScopedSyscallOverride&) = delete;
  ScopedSyscallOverride& operator=(const ScopedSyscallOverride&) = delete;

 private:
  Syscalls table_;
  const Syscalls* previous_;
};

}  // namespace platform
