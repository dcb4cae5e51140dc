// Reading and writing a file as a whole. Writing is atomic: the content goes
// into a temporary file in the same folder, is flushed to the drive and then
// renamed over the old file, so a full or pulled drive leaves either the old
// file or the new one, never a truncated one. The calls that write go
// through the system-call table of syscalls.h, where tests inject failures.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/os_status.h"

namespace platform {

// The whole content of a file. ENOENT when it does not exist. Thread-safe.
OsResult<std::string> readWholeFile(const std::string& path);

// The whole content of a regular file of at most maxBytes, for files that a
// user may point anywhere. Never blocks on what is not a file and never reads
// more than maxBytes + 1 bytes: a FIFO, a device, a socket or a folder fails
// with EINVAL, a larger file with EFBIG (both as "read"), unread. ENOENT when
// it does not exist. Thread-safe.
OsResult<std::string> readRegularFile(const std::string& path, std::size_t maxBytes);

// Replaces (or creates) path with content, atomically as described above. An
// existing file's permission bits are kept. On failure the old file is left
// as it was and no temporary file remains; the status names the failed call
// ("create", "write", "flush", "rename") and its path. What path names now
// must be a regular file or nothing: anything else (a FIFO, a device) is
// never replaced and fails with EINVAL as "rename". After a successful
// write, temporary files of path that earlier writes left behind (a minute
// old or more) are removed. Thread-safe; a test's
// ScopedSyscallOverride must not begin or end during the call.
OsStatus writeWholeFileAtomically(const std::string& path, std::string_view content);

}  // namespace platform
