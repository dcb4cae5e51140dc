// The kind of drive behind a mount, from its file-system type and sysfs.
// Linux-only: sysfs (/sys/block, /sys/class/block, /sys/dev/block) and the
// kernel's names of file-system types.
#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

#include "platform/linux/mount_table.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using detail::MountEntry;

constexpr std::array<std::string_view, 11> kRemoteTypes = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "afs", "ceph", "glusterfs", "fuse.sshfs",
    "fuse.rclone"};

bool isOneOf(std::string_view value, const auto& list) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// The sysfs folder of the block device a mount comes from, or empty when it
// comes from none. The source names the device for ordinary and FUSE block
// mounts alike; the device numbers catch sources such as /dev/mapper/x or
// /dev/root, whose names sysfs does not know.
fs::path blockDeviceFolder(const MountEntry& mount, const MachinePaths& machine) {
  const fs::path sys = machine.sysfsRoot;
  std::error_code ec;
  constexpr std::string_view devPrefix = "/dev/";
  if (mount.source.starts_with(devPrefix)) {
    const std::string name = mount.source.substr(devPrefix.size());
    if (!name.empty() && name.find('/') == std::string::npos) {
      fs::path folder = fs::canonical(sys / "class" / "block" / name, ec);
      if (!ec) return folder;
    }
  }
  if (!mount.device.empty() && !mount.device.starts_with("0:")) {
    fs::path folder = fs::canonical(sys / "dev" / "block" / mount.device, ec);
    if (!ec) return folder;
  }
  return {};
}

std::string firstWord(const std::string& text) {
  const auto end = text.find_first_of(" \t\r\n");
  return text.substr(0, end);
}

std::string readWord(const fs::path& file) {
  const auto text = readWholeFile(file.string());
  return text.ok() ? firstWord(text.value) : std::string();
}

// The disk a device folder belongs to: a partition's folder lies inside the
// folder of its disk.
std::string diskOf(const fs::path& device) {
  std::error_code ec;
  return fs::exists(device / "partition", ec) ? device.parent_path().filename().string()
                                               : device.filename().string();
}

// Whether a disk counts as removable: by its own flag; a device built on
// others (an encrypted or mapped stick) when all of those are; a memory card
// in a card reader, whose flag says 0, by its card type.
bool isRemovableDisk(const fs::path& sys, const std::string& disk, int depth = 0) {
  if (depth > 8) return false;  // device stacks are shallow; a cycle is no disk
  const fs::path block = sys / "block" / disk;
  if (readWord(block / "removable") == "1") return true;
  std::error_code ec;
  bool stacked = false;
  for (fs::directory_iterator it(block / "slaves", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    const fs::path below = fs::canonical(it->path(), linkError);
    if (linkError || !isRemovableDisk(sys, diskOf(below), depth + 1)) return false;
    stacked = true;
  }
  if (stacked) return true;
  return disk.starts_with("mmcblk") && readWord(block / "device" / "type") == "SD";
}

}  // namespace

namespace detail {

DriveType driveTypeOf(const MountEntry& mount, const MachinePaths& machine) {
  if (isOneOf(mount.fsType, kRemoteTypes)) return DriveType::Remote;
  if (mount.fsType == "tmpfs" || mount.fsType == "ramfs") return DriveType::Ram;
  if (mount.fsType == "iso9660" || mount.fsType == "udf") return DriveType::Optical;

  const fs::path device = blockDeviceFolder(mount, machine);
  if (device.empty()) return DriveType::Fixed;
  const std::string disk = diskOf(device);
  if (disk.starts_with("sr")) return DriveType::Optical;
  return isRemovableDisk(machine.sysfsRoot, disk) ? DriveType::Removable : DriveType::Fixed;
}

}  // namespace detail

DriveType driveTypeOf(std::string_view path, const MachinePaths& machine) {
  const auto mount = detail::mountOf(path, machine);
  return mount.ok() ? detail::driveTypeOf(mount.value, machine) : DriveType::Unknown;
}

}  // namespace platform
