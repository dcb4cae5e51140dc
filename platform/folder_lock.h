// A lock on a folder that one process holds while it works on that folder,
// so that two synchronisations never run on one folder at once. It is taken
// on the folder itself, not on a file in it: the synchronised folders hold
// nothing of ours. Two paths to one folder (a link, another spelling on a
// drive that ignores letter case, a bind mount) meet the same lock, and the
// kernel releases it when the holding process ends, however it ends.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_identity.h"

#include "platform/os_status.h"

namespace platform {

// Move-only; not thread-safe (one owner at a time).
class FolderLock {
 public:
  // Holds nothing.
  FolderLock() = default;
  // Tries to take the lock on the folder that `folder` names (links
  // followed), without waiting. held() tells whether it was taken;
  // otherwise status() says why: EWOULDBLOCK when another lock holds the
  // folder, else the failed "open" or "lock" and its error.
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool held() const { return hold_ != -1; }
  // True when the attempt failed only because another lock holds the folder.
  bool heldElsewhere() const;
  const OsStatus& status() const { return status_; }
  // True when this lock is held on the folder that `path` names.
  bool covers(const std::string& path) const;

 private:
  void release();

  // The OS's hold: the locked folder's descriptor on POSIX, the handle of
  // the lock's named object on Windows; -1 for none.
  std::intptr_t hold_ = -1;
  FileIdentity folder_;  // the locked folder, where the hold cannot tell it
  OsStatus status_;
};

}  // namespace platform
