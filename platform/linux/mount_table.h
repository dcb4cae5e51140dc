// The Linux mount table as the drive functions of platform/drives.h read it:
// its entries, and the one that holds a path. Internal to the platform
// implementation; the rest of the program asks drives.h for a root or a type.
// Linux-only: the entries are those of /proc/self/mountinfo.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/machine_paths.h"
#include "platform/os_status.h"

namespace platform::detail {

struct MountEntry {
  std::string mountPoint;  // escapes decoded (\040 is a blank)
  std::string fsType;      // "ext4", "vfat", "fuseblk", "nfs4", ...
  std::string source;      // "/dev/sdb1", "server:/export", "tmpfs", ...
  std::string device;      // "major:minor"
};

// All entries of the mount table, in its order. Fails when it cannot be read.
OsResult<std::vector<MountEntry>> readMountTable(const MachinePaths& machine = {});

// The mount holding path: the mount point that is the longest prefix (by whole
// components) of its canonical form; a later mount on the same point hides an
// earlier one. Fails when the mount table cannot be read or holds no match.
OsResult<MountEntry> mountOf(std::string_view path, const MachinePaths& machine = {});

// The kind of drive behind one mount, by the rules of driveTypeOf(path).
DriveType driveTypeOf(const MountEntry& mount, const MachinePaths& machine = {});

}  // namespace platform::detail
