#include "engine/job_settings.h"

#include "config/pOstSync.h"

void TakeConfigOptions(const TOstiniFileAction& ini, TJobSettings& s) {
  s.AllSync = ini.AllSync();
  s.SyncFilesList = ini.SyncFilesList().Items();
  s.NoSyncFilesList = ini.NoSyncFilesList().Items();
  s.WhenSyncedFolderHasNewSameFile = ini.WhenSyncedFolderHasNewSameFile();
  s.WhenSyncedFolderHasNewFile = ini.WhenSyncedFolderHasNewFile();
  s.KeepVersions = ini.KeepVersions();
  s.VersionDays = ini.VersionDays();
  s.ConfirmFiles = ini.ConfirmFiles();
  s.FatHours = ini.FatHours();
}

TJobSettings JobSettingsFrom(const TOstSyncAction& action) {
  TJobSettings s;
  s.DFolderPath = action.DFolderPath();
  s.UFolderAbsPath = action.UFolderAbsPath();
  TakeConfigOptions(action.Ostini(), s);
  return s;
}
