// Removing a folder tree with our own walk: a reparse point (a link or a
// junction) is removed itself and never entered, whatever it leads to.
#include <windows.h>

#include <cerrno>

#include "platform/file_ops.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "platform/win32/win_error.h"

namespace platform {
namespace {

// "E:" or "E:\", also in the long form "\\?\E:\".
bool isDriveRoot(std::string folder) {
  if (folder.rfind("\\\\?\\", 0) == 0) folder.erase(0, 4);
  if (folder.size() == 3 && (folder[2] == '\\' || folder[2] == '/')) folder.pop_back();
  return folder.size() == 2 && folder[1] == ':' &&
         ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
}

void keepFirst(OsStatus& first, OsStatus next) {
  if (first.ok() && !next.ok()) first = std::move(next);
}

// Removes one entry of a folder, given its find record.
OsStatus removeEntry(const std::string& path, DWORD attributes);

OsStatus emptyFolder(const std::string& folder) {
  OsStatus first;
  WIN32_FIND_DATAW data{};
  win32::FindHandle find(FindFirstFileExW(win32::widePath(folder + "\\*").c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, 0));
  if (!find.valid()) return win32::lastFailure("opendir", folder);
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    keepFirst(first, removeEntry(folder + "\\" + win32::narrow(name), data.dwFileAttributes));
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) keepFirst(first, win32::lastFailure("readdir", folder));
  return first;
}

OsStatus removeEntry(const std::string& path, DWORD attributes) {
  const win32::WinCalls& calls = win32::winCalls();
  const std::wstring wide = win32::widePath(path);
  const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
  const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
  const bool readOnly = attributes & FILE_ATTRIBUTE_READONLY;
  if (readOnly) calls.setFileAttributes(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  // What stays is left as protected as it was.
  auto failed = [&](const char* operation) {
    OsStatus status = win32::lastFailure(operation, path);
    if (readOnly) calls.setFileAttributes(wide.c_str(), attributes);
    return status;
  };
  if (folder && link) {
    if (!calls.removeDirectory(wide.c_str())) return failed("rmdir");
    return {};
  }
  if (!folder) {
    if (!calls.deleteFile(wide.c_str())) return failed("unlink");
    return {};
  }
  OsStatus first = emptyFolder(path);
  if (!calls.removeDirectory(wide.c_str())) keepFirst(first, failed("rmdir"));
  return first;
}

}  // namespace

OsStatus removeTree(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  // A whole drive is never emptied, as "/" is not on POSIX.
  if (isDriveRoot(folder)) return OsStatus::fromErrno(EPERM, "rmdir", folder);
  const DWORD attributes = GetFileAttributesW(win32::widePath(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return win32::lastFailure("stat", path);
  return removeEntry(folder, attributes);
}

}  // namespace platform
