#include "platform/win32/file_facts.h"

#include "platform/win32/handle.h"

namespace platform::win32 {
namespace {

constexpr std::int64_t kEpochDifference = 116'444'736'000'000'000LL;  // 1601 to 1970 in 100 ns

}  // namespace

HANDLE openForQuery(const std::wstring& path, bool follow) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (!follow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, flags, nullptr);
}

FileFacts examineHandle(HANDLE handle) {
  FileFacts facts;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) {
    facts.error = GetLastError();
    return facts;
  }
  facts.attributes = info.dwFileAttributes;
  facts.size = facts.isFolder() ? 0
                                : static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                                            info.nFileSizeLow);
  facts.lastWrite = info.ftLastWriteTime;
  facts.id.device = info.dwVolumeSerialNumber;
  facts.id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return facts;
}

FileFacts examinePath(const std::wstring& path, bool follow) {
  Handle handle(openForQuery(path, follow));
  if (!handle.valid()) {
    FileFacts facts;
    facts.error = GetLastError();
    return facts;
  }
  return examineHandle(handle.get());
}

void fileTimeToUnix(const FILETIME& time, std::int64_t& seconds, std::int64_t& nanoseconds) {
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) -
      kEpochDifference;
  seconds = ticks / 10'000'000;
  std::int64_t rest = ticks % 10'000'000;
  if (rest < 0) {
    rest += 10'000'000;
    --seconds;
  }
  nanoseconds = rest * 100;
}

FILETIME unixToFileTime(std::int64_t seconds, std::int64_t nanoseconds) {
  const auto ticks = static_cast<std::uint64_t>(seconds * 10'000'000 + nanoseconds / 100 + kEpochDifference);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

DWORD attributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

}  // namespace platform::win32
