// The locks a sync job holds on its two folders for its whole life, so that
// a second job on either folder (another window, the command line, a second
// stick) is refused before it scans anything rather than deciding against
// the first one's half-done work.
#pragma once

#include <string>
#include <vector>

#include "engine/job_settings.h"
#include "platform/folder_lock.h"

// The refusal's text, followed by the folder that is in use.
inline constexpr char kFolderInUseText[] = "另一个同步正在使用该文件夹，请等它结束后再同步：";

class TJobFolderLocks {
 public:
  TJobFolderLocks() = default;
  explicit TJobFolderLocks(std::vector<platform::FolderLock> locks) : locks_(std::move(locks)) {}

 private:
  std::vector<platform::FolderLock> locks_;
};

// Locks the hard-disk folder, then the USB folder. Raises Exception with
// kFolderInUseText and the folder (also as its path) when another holder has
// either; nothing stays locked then. A folder that cannot be opened or
// locked otherwise is left unlocked: the job reports a missing or unreadable
// folder itself, and a drive without locks must still be usable.
TJobFolderLocks LockJobFolders(const TJobSettings& settings);
