// File times in tests on Windows: SetFileTime and GetFileInformationByHandle
// on the wide path (std::filesystem's wide form, which holds every name).
#include "tests/support/file_times.h"

#include <windows.h>

#include <stdexcept>

namespace testsupport {
namespace {

constexpr std::int64_t kEpochDifference = 116'444'736'000'000'000LL;

HANDLE openForTimes(const std::filesystem::path& path, DWORD access) {
  return CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

void setMTime(const std::filesystem::path& path, std::int64_t seconds, long nanoseconds) {
  const HANDLE file = openForTimes(path, FILE_WRITE_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path.string());
  const auto ticks = static_cast<std::uint64_t>(seconds * 10'000'000 + nanoseconds / 100 + kEpochDifference);
  FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const BOOL ok = SetFileTime(file, nullptr, &time, &time);
  CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot set the time of " + path.string());
}

std::int64_t mtimeNs(const std::filesystem::path& path) {
  const HANDLE file = openForTimes(path, FILE_READ_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path.string());
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot examine " + path.string());
  const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                               info.ftLastWriteTime.dwLowDateTime);
  return (ticks - kEpochDifference) * 100;
}

}  // namespace testsupport
