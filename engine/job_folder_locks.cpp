#include "engine/job_folder_locks.h"

#include "platform/exceptions.h"

TJobFolderLocks LockJobFolders(const TJobSettings& settings) {
  std::vector<platform::FolderLock> locks;
  for (const std::string* folder : {&settings.DFolderPath, &settings.UFolderAbsPath}) {
    // One folder given twice is the job's own root check to refuse, not a
    // second job.
    bool ours = false;
    for (const auto& lock : locks) ours = ours || lock.covers(*folder);
    if (ours) continue;
    platform::FolderLock lock(*folder);
    if (lock.heldElsewhere()) throw Exception(kFolderInUseText + *folder, *folder);
    if (lock.held()) locks.push_back(std::move(lock));
  }
  return TJobFolderLocks(std::move(locks));
}
