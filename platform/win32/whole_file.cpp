// Whole files on Windows: read at once, written into a hidden temporary
// file beside the target, flushed and moved over it.
#include <windows.h>

#include <algorithm>

#include "platform/temp_names.h"
#include "platform/whole_file.h"
#include "platform/win32/file_facts.h"
#include "platform/win32/handle.h"
#include "platform/win32/temp_file.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "platform/win32/win_error.h"

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

OsResult<std::string> readOpen(HANDLE file, const std::string& path, std::size_t limit) {
  std::string content;
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return {{}, win32::lastFailure("read", path)};
    if (got == 0) break;
    content.append(buffer, got);
    if (content.size() > limit) return {{}, OsStatus::fromErrno(EFBIG, "read", path)};
  }
  return {std::move(content), {}};
}

// Temporary files of earlier writes to this folder, a minute old or more.
// Deleted through the call table like any other delete; one that cannot go
// stays hidden for the next write.
void removeStaleTemps(const win32::WinCalls& calls, const std::string& folder) {
  WIN32_FIND_DATAW data{};
  win32::FindHandle find(FindFirstFileExW(win32::widePath(folder + std::string(kCopyTempPrefix) + "*").c_str(),
                                          FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find.valid()) return;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  do {
    const std::string name = win32::narrow(data.cFileName);
    if (!isCopyTempName(name) || ticks(now) - ticks(data.ftLastWriteTime) < 60ULL * 10'000'000ULL) continue;
    const std::wstring path = win32::widePath(folder + name);
    calls.setFileAttributes(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!calls.deleteFile(path.c_str())) calls.setFileAttributes(path.c_str(), data.dwFileAttributes);
  } while (FindNextFileW(find.get(), &data));
}

}  // namespace

OsResult<std::string> readWholeFile(const std::string& path) {
  win32::Handle file(CreateFileW(win32::widePath(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {{}, win32::lastFailure("open", path)};
  return readOpen(file.get(), path, std::string().max_size());
}

OsResult<std::string> readRegularFile(const std::string& path, std::size_t maxBytes) {
  const std::wstring wide = win32::widePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {{}, win32::lastFailure("open", path)};
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return {{}, OsStatus::fromErrno(EINVAL, "read", path)};
  win32::Handle file(CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
  if (!file.valid()) return {{}, win32::lastFailure("open", path)};
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return {{}, OsStatus::fromErrno(EINVAL, "read", path)};
  const win32::FileFacts facts = win32::examineHandle(file.get());
  if (facts.ok() && facts.size > static_cast<std::int64_t>(maxBytes)) return {{}, OsStatus::fromErrno(EFBIG, "read", path)};
  return readOpen(file.get(), path, maxBytes);
}

OsStatus writeWholeFileAtomically(const std::string& path, std::string_view content) {
  const win32::WinCalls& calls = win32::winCalls();
  const std::wstring target = win32::widePath(path);
  const DWORD existing = GetFileAttributesW(target.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return OsStatus::fromErrno(EINVAL, "rename", path);
  const std::string folder = win32::folderPartOf(path);
  const std::string tempPath = win32::newTempPath(folder.empty() ? "." : folder);
  const std::wstring temp = win32::widePath(tempPath);
  {
    win32::Handle file(calls.createFile(temp.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN));
    if (!file.valid()) return win32::lastFailure("create", path);
    auto fail = [&](const char* operation) {
      OsStatus status = win32::lastFailure(operation, path);
      file.close();
      calls.deleteFile(temp.c_str());
      return status;
    };
    std::size_t done = 0;
    while (done < content.size()) {
      const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
      DWORD written = 0;
      if (!calls.writeFile(file.get(), content.data() + done, piece, &written)) return fail("write");
      done += written;
    }
    if (!calls.flushFileBuffers(file.get())) return fail("flush");
    if (!file.close()) return fail("close");
  }
  // The new file takes over the old one's attributes (read-only stays read-only).
  const DWORD keep = existing == INVALID_FILE_ATTRIBUTES ? FILE_ATTRIBUTE_NORMAL : existing;
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY))
    calls.setFileAttributes(target.c_str(), existing & ~FILE_ATTRIBUTE_READONLY);
  if (!calls.moveFileEx(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    OsStatus status = win32::lastFailure("rename", path);
    if (existing != INVALID_FILE_ATTRIBUTES) calls.setFileAttributes(target.c_str(), existing);
    calls.deleteFile(temp.c_str());
    return status;
  }
  calls.setFileAttributes(target.c_str(), keep & ~FILE_ATTRIBUTE_DIRECTORY);
  removeStaleTemps(calls, folder.empty() ? ".\\" : folder);
  return {};
}

}  // namespace platform
