// The file system behind a mount: by its type name, and for FUSE block
// mounts, whose type says only "fuseblk", by the device's boot sector or
// udev's record of it. Linux-only: mount types, /dev and /run/udev.
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>

#include "platform/linux/mount_table.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

using detail::MountEntry;

constexpr std::int64_t kFatMaxFile = 4294967295;  // 4 GiB - 1

DriveFormat formatOf(FileSystemKind kind) {
  switch (kind) {
    case FileSystemKind::Fat: return {kind, 2000, true, kFatMaxFile};
    // exfat-fuse keeps whole seconds; the kernel's driver 10 ms.
    case FileSystemKind::Exfat: return {kind, 1000, false, 0};
    case FileSystemKind::Ntfs: return {kind, 0, false, 0};
    case FileSystemKind::Other: break;
  }
  return {};
}

FileSystemKind kindOfTypeName(std::string_view type) {
  if (type == "vfat" || type == "msdos" || type == "fat" || type == "umsdos" || type == "fuse.fusefat" ||
      type == "fusefat")
    return FileSystemKind::Fat;
  if (type == "exfat" || type == "fuse.exfat" || type == "fuseblk.exfat") return FileSystemKind::Exfat;
  if (type == "ntfs" || type == "ntfs3" || type == "fuseblk.ntfs" || type == "fuseblk.ntfs-3g" ||
      type == "fuse.ntfs-3g")
    return FileSystemKind::Ntfs;
  return FileSystemKind::Other;
}

// The boot sector names its file system at fixed places.
FileSystemKind kindOfBootSector(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return FileSystemKind::Other;
  std::array<char, 512> sector{};
  const ssize_t n = ::pread(fd, sector.data(), sector.size(), 0);
  ::close(fd);
  if (n != static_cast<ssize_t>(sector.size())) return FileSystemKind::Other;
  auto at = [&](std::size_t offset, const char* text) {
    return std::memcmp(sector.data() + offset, text, std::strlen(text)) == 0;
  };
  if (at(3, "EXFAT   ")) return FileSystemKind::Exfat;
  if (at(3, "NTFS    ")) return FileSystemKind::Ntfs;
  if (at(82, "FAT32   ") || at(54, "FAT16   ") || at(54, "FAT12   ")) return FileSystemKind::Fat;
  return FileSystemKind::Other;
}

// udev's database, readable by everyone where the device itself is not.
FileSystemKind kindOfUdevRecord(const MountEntry& mount) {
  if (mount.device.empty() || mount.device.starts_with("0:")) return FileSystemKind::Other;
  const auto record = readWholeFile("/run/udev/data/b" + mount.device);
  if (!record.ok()) return FileSystemKind::Other;
  constexpr std::string_view key = "E:ID_FS_TYPE=";
  const std::string& text = record.value;
  const auto start = text.find(key);
  if (start == std::string::npos) return FileSystemKind::Other;
  const auto end = text.find('\n', start);
  const std::string type = text.substr(start + key.size(), end == std::string::npos ? end : end - start - key.size());
  return kindOfTypeName(type);
}

}  // namespace

DriveFormat driveFormatOf(std::string_view path, const MachinePaths& machine) {
  const auto mount = detail::mountOf(path, machine);
  if (!mount.ok()) return {};
  const MountEntry& entry = mount.value;
  if (const FileSystemKind kind = kindOfTypeName(entry.fsType); kind != FileSystemKind::Other)
    return formatOf(kind);
  if (entry.fsType != "fuseblk") return {};
  if (entry.source.starts_with("/dev/"))
    if (const FileSystemKind kind = kindOfBootSector(entry.source); kind != FileSystemKind::Other)
      return formatOf(kind);
  return formatOf(kindOfUdevRecord(entry));
}

}  // namespace platform
