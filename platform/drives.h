// Drives: the mounted file system that holds a path, its root (on Linux the
// mount point followed by "/"; on Windows the volume, "E:\") and what kind
// of drive it is. On Linux the mount table and sysfs are read from
// MachinePaths, so tests can describe a fake machine; Windows asks the system.
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

// What an ordinary user may still write there, in bytes, and the drive's
// block: every file takes whole blocks.
struct DriveSpace {
  std::int64_t free = 0;
  std::int64_t block = 0;
};
OsResult<DriveSpace> driveFreeSpace(const std::string& path);

enum class DriveType { Unknown, Removable, Fixed, Remote, Optical, Ram };

// Removable when the mount's source is a block device whose disk (the parent
// for a partition) reports removable = 1 in sysfs; FUSE mounts of a block
// device count by that device. Network file systems are Remote, tmpfs Ram,
// CD/DVD drives Optical; everything else local, overlay and loop devices
// included, is Fixed. Unknown when the mount table cannot be read.
DriveType driveTypeOf(std::string_view path, const MachinePaths& machine = {});

// The file system of a drive, as far as it matters to what a sync may put
// there: how fine its file times are, whether it keeps them in local time,
// and how large a file may be.
enum class FileSystemKind { Other, Fat, Exfat, Ntfs };

struct DriveFormat {
  FileSystemKind kind = FileSystemKind::Other;
  // The step in which the drive keeps modification times, in milliseconds;
  // 0 for drives as fine as the clock.
  std::int64_t timeStepMs = 0;
  // FAT keeps the computer's local time, so a change of time zone or of
  // daylight saving moves every time by whole hours.
  bool localTimes = false;
  // The largest file it can hold; 0 for no limit that matters.
  std::int64_t maxFileSize = 0;
};

// Told by the mount's file-system type; a FUSE block mount (exfat-fuse,
// ntfs-3g) by the boot sector of its device where that can be read, and
// otherwise by udev's record of the device. Other when it cannot be told.
DriveFormat driveFormatOf(std::string_view path, const MachinePaths& machine = {});

}  // namespace platform
