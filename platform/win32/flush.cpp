// Flushing on Windows. Only an administrator may flush a whole volume, so
// the job flushes each file it wrote (FlushFileBuffers); folders need none.
#include <windows.h>

#include "platform/file_ops.h"
#include "platform/flush.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "platform/win32/win_error.h"

namespace platform {

bool needsFlushPerFile(const std::string&) { return true; }

bool anyFlushCoversDrive(const std::string&) { return false; }

OsStatus flushEntry(const std::string& path) {
  const std::wstring wide = win32::widePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return win32::lastFailure("fsync", path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {};
  win32::Handle file(win32::winCalls().createFile(wide.c_str(), GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file.valid()) return win32::lastFailure("open", path);
  if (!win32::winCalls().flushFileBuffers(file.get())) return win32::lastFailure("fsync", path);
  return {};
}

// The volume as a device ("\\.\E:"); Windows refuses that to ordinary
// users, which is why jobs flush per file there.
OsStatus syncFileSystem(const std::string& path) {
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(win32::widePath(path).c_str(), root, MAX_PATH + 1)) return win32::lastFailure("syncfs", path);
  std::wstring device = L"\\\\.\\" + std::wstring(root);
  if (!device.empty() && device.back() == L'\\') device.pop_back();
  win32::Handle volume(win32::winCalls().createFile(device.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    OPEN_EXISTING, 0));
  if (!volume.valid()) return win32::lastFailure("syncfs", path);
  if (!win32::winCalls().flushFileBuffers(volume.get())) return win32::lastFailure("syncfs", path);
  return {};
}

}  // namespace platform
