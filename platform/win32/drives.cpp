// Drives on Windows: the volume that holds a path ("E:\", a share
// "\\server\share\", or a folder a volume is mounted on), its type by
// GetDriveTypeW and its file system by its name.
#include <windows.h>

#include "platform/drives.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_error.h"

namespace platform {
namespace {

constexpr std::int64_t kFatMaxFile = 4294967295;  // 4 GiB - 1

// The nearest existing ancestor of path, for a volume look-up.
std::wstring existingAncestor(std::wstring path) {
  while (!path.empty() && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const std::size_t slash = path.find_last_of(L'\\', path.size() > 1 ? path.size() - 2 : 0);
    if (slash == std::wstring::npos) break;
    path.resize(slash + 1);
  }
  return path;
}

OsResult<std::wstring> volumeRoot(std::string_view path) {
  const std::wstring wide = existingAncestor(win32::widePath(path));
  std::wstring root(MAX_PATH + 1, L'\0');
  if (!GetVolumePathNameW(wide.c_str(), root.data(), static_cast<DWORD>(root.size())))
    return {{}, win32::lastFailure("volume", std::string(path))};
  root.resize(root.find(L'\0'));
  if (root.empty() || root.back() != L'\\') root.push_back(L'\\');
  return {root, {}};
}

}  // namespace

std::string canonicalPath(std::string_view path) {
  const std::wstring wide = win32::widePath(path);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(needed, L'\0');
  const DWORD length = needed == 0 ? 0 : GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::string(path);
  full.resize(length);
  return win32::narrow(full);
}

OsResult<std::string> driveRootOf(std::string_view path, const MachinePaths&) {
  OsResult<std::wstring> root = volumeRoot(path);
  if (!root.ok()) return {{}, root.status};
  return {win32::narrow(root.value), {}};
}

DriveType driveTypeOf(std::string_view path, const MachinePaths&) {
  const OsResult<std::wstring> root = volumeRoot(path);
  if (!root.ok()) return DriveType::Unknown;
  switch (GetDriveTypeW(root.value.c_str())) {
    case DRIVE_REMOVABLE: return DriveType::Removable;
    case DRIVE_FIXED: return DriveType::Fixed;
    case DRIVE_REMOTE: return DriveType::Remote;
    case DRIVE_CDROM: return DriveType::Optical;
    case DRIVE_RAMDISK: return DriveType::Ram;
    default: return DriveType::Unknown;
  }
}

DriveFormat driveFormatOf(std::string_view path, const MachinePaths&) {
  const OsResult<std::wstring> root = volumeRoot(path);
  if (!root.ok()) return {};
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.value.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1)) return {};
  const std::wstring_view fs = name;
  if (fs == L"FAT" || fs == L"FAT32" || fs == L"FAT12" || fs == L"FAT16")
    return {FileSystemKind::Fat, 2000, true, kFatMaxFile};
  if (fs == L"exFAT") return {FileSystemKind::Exfat, 10, false, 0};
  if (fs == L"NTFS") return {FileSystemKind::Ntfs, 0, false, 0};
  return {};
}

OsResult<std::int64_t> driveCapacity(const std::string& path) {
  const OsResult<std::wstring> root = volumeRoot(path);
  if (!root.ok()) return {0, root.status};
  ULARGE_INTEGER total{};
  if (!GetDiskFreeSpaceExW(root.value.c_str(), nullptr, &total, nullptr)) return {0, win32::lastFailure("statfs", path)};
  return {static_cast<std::int64_t>(total.QuadPart), {}};
}

OsResult<DriveSpace> driveFreeSpace(const std::string& path) {
  const OsResult<std::wstring> root = volumeRoot(path);
  if (!root.ok()) return {{}, root.status};
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(root.value.c_str(), &available, nullptr, nullptr))
    return {{}, win32::lastFailure("statfs", path)};
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  DriveSpace space;
  space.free = static_cast<std::int64_t>(available.QuadPart);
  space.block = 4096;
  if (GetDiskFreeSpaceW(root.value.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    space.block = static_cast<std::int64_t>(sectorsPerCluster) * bytesPerSector;
  return {space, {}};
}

}  // namespace platform
