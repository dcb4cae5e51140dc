// Rename, link, delete and the folder operations on Windows.
#include <windows.h>

#include "platform/file_ops.h"
#include "platform/win32/file_facts.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "platform/win32/win_error.h"

namespace platform {

OsStatus renameFile(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = win32::widePath(from), wideTo = win32::widePath(to);
  if (GetFileAttributesW(wideTo.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // Another spelling of the same file is a change of letter case only.
    const win32::FileFacts a = win32::examinePath(wideFrom, false), b = win32::examinePath(wideTo, false);
    if (!a.ok() || !b.ok() || a.id != b.id) return win32::failure(ERROR_ALREADY_EXISTS, "rename", to);
  }
  if (!win32::winCalls().moveFileEx(wideFrom.c_str(), wideTo.c_str(), 0)) return win32::lastFailure("rename", from);
  return {};
}

// MoveFileEx without MOVEFILE_REPLACE_EXISTING refuses to replace by itself.
OsStatus renameFileToFreeName(const std::string& from, const std::string& to) { return renameFile(from, to); }

OsStatus linkFile(const std::string& existing, const std::string& newName) {
  if (!CreateHardLinkW(win32::widePath(newName).c_str(), win32::widePath(existing).c_str(), nullptr))
    return win32::lastFailure("link", newName);
  return {};
}

OsStatus deleteFile(const std::string& path) {
  const win32::WinCalls& calls = win32::winCalls();
  const std::wstring wide = win32::widePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return win32::lastFailure("unlink", path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return win32::failure(ERROR_ACCESS_DENIED, "unlink", path);
  // Read-only is an attribute of the file, not of a name: cleared to delete,
  // put back when the delete fails.
  const bool readOnly = attributes & FILE_ATTRIBUTE_READONLY;
  if (readOnly && !calls.setFileAttributes(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
    return win32::lastFailure("chmod", path);
  if (!calls.deleteFile(wide.c_str())) {
    OsStatus status = win32::lastFailure("unlink", path);
    if (readOnly) calls.setFileAttributes(wide.c_str(), attributes);
    return status;
  }
  return {};
}

OsStatus createDirectory(const std::string& path) {
  if (!win32::winCalls().createDirectory(win32::widePath(path).c_str())) return win32::lastFailure("mkdir", path);
  return {};
}

bool isDirectory(const std::string& path) {
  const std::wstring wide = win32::widePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return attributes & FILE_ATTRIBUTE_DIRECTORY;
  const win32::FileFacts facts = win32::examinePath(wide, true);
  return facts.ok() && facts.isFolder();
}

bool isSymbolicLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(win32::widePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The folder's attribute bits (hidden, system, read-only, archive) as they
// are: a read-only folder still takes new files on Windows.
OsStatus copyFolderAttributes(const std::string& sourceFolder, const std::string& newFolder) {
  const DWORD attributes = GetFileAttributesW(win32::widePath(sourceFolder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return win32::lastFailure("stat", sourceFolder);
  constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  if (!win32::winCalls().setFileAttributes(win32::widePath(newFolder).c_str(), attributes & kKept))
    return win32::lastFailure("chmod", newFolder);
  return {};
}

OsStatus removeDirectory(const std::string& path) {
  if (!win32::winCalls().removeDirectory(win32::widePath(path).c_str())) return win32::lastFailure("rmdir", path);
  return {};
}

}  // namespace platform
