// Drives on Linux: the mounted file system that holds a path, its root (the
// mount point followed by "/") and what kind of drive it is. The mount table
// and sysfs are read from MachinePaths, so tests can describe a fake machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/machine_paths.h"
#include "platform/os_status.h"

namespace platform {

// The canonical form of path: symbolic links, "." and ".." resolved. For a
// path that does not exist, the nearest existing ancestor is resolved and the
// rest appended. Relative paths are taken from the current folder.
std::string canonicalPath(std::string_view path);

// The root of the drive holding path: its mount point followed by "/" ("/"
// for the root file system itself).
OsResult<std::string> driveRootOf(std::string_view path, const MachinePaths& machine = {});

// The size in bytes of the drive holding path (all of it, used or free).
OsResult<std::int64_t> driveCapacity(const std::string& path);

enum class DriveType { Unknown, Removable, Fixed, Remote, Optical, Ram };

// Removable when the mount's source is a block device whose disk (the parent
// for a partition) reports removable = 1 in sysfs; FUSE mounts of a block
// device count by that device. Network file systems are Remote, tmpfs Ram,
// CD/DVD drives Optical; everything else local, overlay and loop devices
// included, is Fixed. Unknown when the mount table cannot be read.
DriveType driveTypeOf(std::string_view path, const MachinePaths& machine = {});

}  // namespace platform
