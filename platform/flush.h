// Getting what a job wrote onto the device before its last line says done.
// Kernel file systems flush a whole drive with syncfs (syncFileSystem in
// file_ops.h); a FUSE drive's file system process never hears of syncfs, so
// there each changed folder is flushed by itself, and each written file
// too unless the folder's flush covers it.
#pragma once

#include <string>

#include "platform/os_status.h"

namespace platform {

// True when the folder `folder` (or the folder holding it, when it does not
// exist) is on a FUSE drive.
bool needsFlushPerFile(const std::string& folder);

// True when the flush of a folder on that FUSE drive (flushEntry) also
// writes out every file this process has written and closed in it, so the
// files need no flush of their own: exFAT through FUSE. Its drive process
// (exfat-fuse) serves a block device and has written a file's data and
// entry there by the time the close returns (a block-device FUSE mount
// releases a file before close returns); what it may still hold, the
// allocation bitmap and the device's cache, it writes out on the flush of
// any file or folder.
bool folderFlushCoversFiles(const std::string& folder);

// fsync of the file or folder at path, through the system-call table. A
// folder whose file system cannot flush folders (EINVAL, ENOSYS, EROFS)
// counts as flushed: there is nothing further to ask of it.
OsStatus flushEntry(const std::string& path);

}  // namespace platform
