#include "platform/win32/win_calls.h"

#include <atomic>

namespace platform::win32 {
namespace {

HANDLE realCreateFile(LPCWSTR name, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return CreateFileW(name, access, share, nullptr, disposition, flags, nullptr);
}
BOOL realReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read) {
  return ReadFile(file, buffer, size, read, nullptr);
}
BOOL realWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
  return WriteFile(file, buffer, size, written, nullptr);
}
BOOL realSetFileTime(HANDLE file, const FILETIME* lastWrite) { return SetFileTime(file, nullptr, nullptr, lastWrite); }
BOOL realCreateDirectory(LPCWSTR name) { return CreateDirectoryW(name, nullptr); }

const WinCalls kReal = {realCreateFile, realReadFile,     realWriteFile, FlushFileBuffers,    realSetFileTime,
                        SetFileAttributesW, MoveFileExW, DeleteFileW,   realCreateDirectory, RemoveDirectoryW};

std::atomic<const WinCalls*> current{&kReal};

}  // namespace

const WinCalls& winCalls() { return *current.load(std::memory_order_acquire); }
const WinCalls& realWinCalls() { return kReal; }

ScopedWinCallOverride::ScopedWinCallOverride(const WinCalls& replacement)
    : table_(replacement), previous_(current.exchange(&table_, std::memory_order_acq_rel)) {}

ScopedWinCallOverride::~ScopedWinCallOverride() { current.store(previous_, std::memory_order_release); }

}  // namespace platform::win32
