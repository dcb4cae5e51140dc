// What a sync job reads from the configuration: the two folders, the type
// filter, the two strategies and the safety net. The job takes a copy when it is created, on
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
  // The safety net (see config/pIniReg.h): old versions kept, for how many
  // days; the file count from which a big deletion is confirmed (0 never).
  bool KeepVersions = true;
  std::int32_t VersionDays = 30;
  std::int32_t ConfirmFiles = 10;
  // The largest whole-hour shift of a FAT drive's times that is no change.
  std::int32_t FatHours = 1;
};

class TOstSyncAction;
class TOstiniFileAction;

// The type filter and strategies of a configuration.
void TakeConfigOptions(const TOstiniFileAction& ini, TJobSettings& s);
// The settings of the program's configuration (SyncAction in the window).
TJobSettings JobSettingsFrom(const TOstSyncAction& action);
