// The seam between the platform layer and Windows for every call that
// copies, renames, deletes or writes a file: one table of function pointers
// with the signatures of the Windows calls of the same name, so tests can
// make the Nth WriteFile fail with ERROR_DISK_FULL without a full disk. A
// failing entry returns what the real call returns on failure and sets the
// thread's last error. Calls that only read metadata do not go through it.
#pragma once

#include <windows.h>

namespace platform::win32 {

struct WinCalls {
  HANDLE (*createFile)(LPCWSTR name, DWORD access, DWORD share, DWORD disposition, DWORD flags);
  BOOL (*readFile)(HANDLE file, void* buffer, DWORD size, DWORD* read);
  BOOL (*writeFile)(HANDLE file, const void* buffer, DWORD size, DWORD* written);
  BOOL (*flushFileBuffers)(HANDLE file);
  BOOL (*setFileTime)(HANDLE file, const FILETIME* lastWrite);
  BOOL (*setFileAttributes)(LPCWSTR name, DWORD attributes);
  BOOL (*moveFileEx)(LPCWSTR from, LPCWSTR to, DWORD flags);
  BOOL (*deleteFile)(LPCWSTR name);
  BOOL (*createDirectory)(LPCWSTR name);
  BOOL (*removeDirectory)(LPCWSTR name);
};

// The table in force; thread-safe to call.
const WinCalls& winCalls();
// The system's own calls, for replacements that pass most calls through.
const WinCalls& realWinCalls();

// Installs a table for its lifetime and restores the previous one after.
// Install before, and end after, any thread uses the table.
class ScopedWinCallOverride {
 public:
  explicit ScopedWinCallOverride(const WinCalls& replacement);
  ~ScopedWinCallOverride();
  ScopedWinCallOverride(const ScopedWinCallOverride&) = delete;
  ScopedWinCallOverride& operator=(const ScopedWinCallOverride&) = delete;

 private:
  WinCalls table_;
  const WinCalls* previous_;
};

}  // namespace platform::win32
