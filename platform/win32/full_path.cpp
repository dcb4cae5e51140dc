// Full paths, the length limit and folder existence on Windows.
#include <windows.h>

#include "platform/full_path.h"
#include "platform/full_path_internal.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_error.h"

namespace platform {

std::string currentFolder(std::error_code& error) {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(needed, L'\0');
  const DWORD length = needed == 0 ? 0 : GetCurrentDirectoryW(needed, buffer.data());
  if (length == 0 || length >= needed) {
    error = win32::lastError();
    return {};
  }
  buffer.resize(length);
  error.clear();
  return win32::narrow(buffer);
}

FullPathResult expandFullPath(std::string_view path) {
  FullPathResult result;
  std::wstring wide = win32::widen(path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (wide.empty()) {
    result.error = win32::windowsError(ERROR_INVALID_NAME);
    return result;
  }
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(needed, L'\0');
  const DWORD length = needed == 0 ? 0 : GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) {
    result.error = win32::lastError();
    result.path = win32::narrow(wide);
    return result;
  }
  full.resize(length);
  result.path = win32::narrow(full);
  return result;
}

std::size_t maxPathLength() noexcept { return MAX_PATH; }

bool isExistingFolder(const std::string& path) noexcept {
  const DWORD attributes = GetFileAttributesW(win32::widePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  // A link to a folder counts only when it leads somewhere.
  return GetFileAttributesW((win32::widePath(path) + L"\\.").c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace platform
