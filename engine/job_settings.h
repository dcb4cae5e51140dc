// What a sync job reads from the configuration: the two folders, the type
// filter and the two strategies. The job takes a copy when it is created, on
// the window thread, so the window may go on changing the configuration (the
// folder pickers stay usable during a job) without racing the job's thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TJobSettings {
  std::string DFolderPath;     // the hard-disk folder
  std::string UFolderAbsPath;  // the USB folder, absolute
  bool AllSync = true;
  std::vector<std::string> SyncFilesList;
  std::vector<std::string> NoSyncFilesList;
  std::int16_t WhenSyncedFolderHasNewSameFile = 2;
  std::int16_t WhenSyncedFolderHasNewFile = 0;
};

class TOstSyncAction;
class TOstiniFileAction;

// The type filter and strategies of a configuration.
void TakeConfigOptions(const TOstiniFileAction& ini, TJobSettings& s);
// The settings of the program's configuration (SyncAction in the window).
TJobSettings JobSettingsFrom(const TOstSyncAction& action);
