// Getting what a job wrote onto the device before its last line says done.
// Kernel file systems flush a whole drive with syncfs (syncFileSystem in
// file_ops.h); a FUSE drive's file system process never hears of syncfs, so
// there each written file and each changed folder is flushed by itself,
// unless one flush covers the whole drive.
#pragma once

#include <string>

#include "platform/os_status.h"

namespace platform {

// True when the folder `folder` (or the folder holding it, when it does not
// exist) is on a FUSE drive.
bool needsFlushPerFile(const std::string& folder);

// True when the flush of any one entry of that FUSE drive (flushEntry)
// writes out all that its drive process holds for the whole drive: exFAT
// through FUSE, whose drive process (exfat-fuse) writes every file's data
// to its device as it comes, and on the flush of any file or folder writes
// out all its entries, its allocation bitmap and the device's cache.
bool anyFlushCoversDrive(const std::string& folder);

// fsync of the file or folder at path, through the system-call table. A
// folder whose file system cannot flush folders (EINVAL, ENOSYS, EROFS)
// counts as flushed: there is nothing further to ask of it.
OsStatus flushEntry(const std::string& path);

}  // namespace platform
