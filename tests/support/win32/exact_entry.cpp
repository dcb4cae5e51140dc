// Exact entries on Windows: the attribute bits stand in for the mode, times
// come in steps of 100 ns.
#include "tests/support/exact_entry.h"

#include <windows.h>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace testsupport {

ExactEntry exactEntry(const fs::path& path) {
  ExactEntry e;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.wstring().c_str(), GetFileExInfoStandard, &data)) return e;
  e.mode = data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                               data.ftLastWriteTime.dwLowDateTime);
  e.mtimeNs = (ticks - 116'444'736'000'000'000LL) * 100;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    e.kind = 'l';
    std::error_code ec;
    e.linkTarget = fs::read_symlink(path, ec).string();
  } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    e.kind = 'd';
  } else {
    e.kind = 'f';
    e.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    e.content = readFile(path);
  }
  return e;
}

}  // namespace testsupport
