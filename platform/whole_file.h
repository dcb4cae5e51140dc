// Reading and writing a file as a whole. Writing is atomic: the content goes
// into a temporary file in the same folder, is flushed to the drive and then
// renamed over the old file, so a full or pulled drive leaves either the old
// file or the new one, never a truncated one. The raw calls go through a
// table that tests can swap to inject failures.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/os_status.h"

namespace platform {

// The whole content of a file. ENOENT when it does not exist. Thread-safe.
OsResult<std::string> readWholeFile(const std::string& path);

// Replaces (or creates) path with content, atomically as described above. An
// existing file's permission bits are kept. On failure the old file is left
// as it was and no temporary file remains; the status names the failed call
// ("create", "write", "flush", "rename") and its path. Thread-safe as long as
// the call table is not being swapped.
OsStatus writeWholeFileAtomically(const std::string& path, std::string_view content);

// The raw calls used by writeWholeFileAtomically, with POSIX meaning (return
// -1 and set errno on failure). Swapping them is for tests only and must not
// race with writers.
struct WholeFileCalls {
  int (*open)(const char* path, int flags, unsigned mode);
  long (*write)(int fd, const void* data, std::size_t size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
};
WholeFileCalls& wholeFileCalls();
// The real calls, for restoring the table.
const WholeFileCalls& realWholeFileCalls();

}  // namespace platform
