// The program's own file on Windows: the module file name of the process.
#include <windows.h>

#include "platform/drives.h"
#include "platform/program_path.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_error.h"

namespace platform {

// The machine's programPath names another file only on a described machine
// (a test's); the real one is asked of the system.
OsResult<std::string> programPath(const MachinePaths& machine) {
  if (machine.programPath != MachinePaths{}.programPath) return {canonicalPath(machine.programPath), {}};
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {{}, win32::lastFailure("GetModuleFileName", {})};
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::string path = win32::narrow(buffer);
  if (path.starts_with("\\\\?\\") && !path.starts_with("\\\\?\\UNC\\")) path.erase(0, 4);
  return {path, {}};
}

}  // namespace platform
