// Folder locks on Windows: a named mutex whose name is the folder's
// identity (volume serial number and file index), so every path to one
// folder meets the same lock, and the system drops it with the process.
#include <windows.h>

#include <cstdio>

#include "platform/file_ops.h"
#include "platform/folder_lock.h"
#include "platform/win32/win_error.h"

namespace platform {

FolderLock::FolderLock(const std::string& folder) {
  const std::optional<FileIdentity> id = fileIdentity(folder);
  if (!id || !isDirectory(folder)) {
    status_ = id ? OsStatus::fromErrno(ENOTDIR, "open", folder) : win32::lastFailure("open", folder);
    if (status_.ok()) status_ = OsStatus::fromErrno(ENOENT, "open", folder);
    return;
  }
  wchar_t name[96];
  std::swprintf(name, 96, L"Local\\drovan-folder-%08llx-%016llx", static_cast<unsigned long long>(id->device),
                static_cast<unsigned long long>(id->inode));
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  if (mutex == nullptr) {
    status_ = win32::lastFailure("lock", folder);
    return;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    status_ = OsStatus::fromErrno(EWOULDBLOCK, "lock", folder);
    return;
  }
  hold_ = reinterpret_cast<std::intptr_t>(mutex);
  folder_ = *id;
}

FolderLock::~FolderLock() { release(); }

FolderLock::FolderLock(FolderLock&& other) noexcept
    : hold_(std::exchange(other.hold_, -1)), folder_(other.folder_), status_(std::move(other.status_)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    release();
    hold_ = std::exchange(other.hold_, -1);
    folder_ = other.folder_;
    status_ = std::move(other.status_);
  }
  return *this;
}

void FolderLock::release() {
  // The object goes with its last handle, and with it the lock.
  if (hold_ != -1) CloseHandle(reinterpret_cast<HANDLE>(hold_));
  hold_ = -1;
}

bool FolderLock::heldElsewhere() const {
  return status_.operation == "lock" && status_.code == std::errc::operation_would_block;
}

bool FolderLock::covers(const std::string& path) const {
  if (hold_ == -1) return false;
  const std::optional<FileIdentity> other = fileIdentity(path);
  return other && *other == folder_;
}

}  // namespace platform
