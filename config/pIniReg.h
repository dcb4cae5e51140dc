// TOstiniFileAction: the configuration file "Drovan配置文件(请勿删除).ini"
// beside the program file. It is read once when the object is created and
// written once, by SaveConfig, at the orderly end of the program; in between
// the settings live in the object's properties. The hard-disk folder is kept
// per computer, under this computer's adapter address in section "硬盘", and
// every other computer's entry and every unknown line of the file is kept.
#pragma once

#include <cstdint>
#include <string>

#include "config/string_list.h"
#include "platform/machine_paths.h"
#include "platform/profile_file.h"

inline constexpr char kConfigFileName[] = "Drovan配置文件(请勿删除).ini";
// The safety net's defaults: old versions kept for 30 days (at most ten
// years), and a run that would delete or overwrite 10 files or more (and
// more than half of a side) confirmed first; 0 never asks.
inline constexpr std::int32_t kDefaultVersionDays = 30;
inline constexpr std::int32_t kMaxVersionDays = 3650;
inline constexpr std::int32_t kDefaultConfirmFiles = 10;
// FAT keeps local time: a stick moved across time zones shows its times
// moved by whole hours, up to this many (0 takes no shift for one). 26 h is
// the widest gap between two zones (UTC-12 to UTC+14).
inline constexpr std::int32_t kDefaultFatHours = 1;
inline constexpr std::int32_t kMaxFatHours = 26;

// Created, changed and saved on the main thread only. A job never reads it
// while it runs: it takes a copy of AllSync, the two lists and the two
// strategies when it is created (engine/job_settings.h).
class TOstiniFileAction {
 public:
  // Create: reads this computer's adapter address and the whole file (see
  // the program path and net root in machine). Missing file, section or key,
  // and values that do not convert, give the defaults; nothing is reported.
  explicit TOstiniFileAction(const platform::MachinePaths& machine = {});
  // Releases the object without writing: the orderly end calls SaveConfig
  // first, since a destructor cannot report a failed write.
  ~TOstiniFileAction();
  TOstiniFileAction(const TOstiniFileAction&) = delete;
  TOstiniFileAction& operator=(const TOstiniFileAction&) = delete;

  // Writes the eleven keys into the file as it is on the drive now, in one
  // atomic replacement. Raises EIniFileException "Unable to write to %s" with
  // the file's full name when the file cannot be read or written; the file
  // is then as it was.
  void SaveConfig();

  // Why the file was not read, when it exists and was not (a device, a FIFO,
  // a file beyond platform::kProfileFileMaxBytes, no permission): its
  // settings are then the defaults, and SaveConfig never replaces it.
  // Empty when the file was read or does not exist.
  const platform::OsStatus& LoadError() const { return FSynciniFile.loadError(); }

  // The USB folder relative to the drive root, with "/" separators.
  const std::string& UFolderPath() const { return FUFolderPath; }
  void SetUFolderPath(const std::string& value) { FUFolderPath = value; }
  // This computer's hard-disk folder.
  const std::string& DFolderPath() const { return FDFolderPath; }
  void SetDFolderPath(const std::string& value) { FDFolderPath = value; }
  // This computer's adapter address text; empty when it cannot be read.
  const std::string& Mac() const { return FMac; }
  TStringList& SyncFilesList() { return FSyncFilesList; }
  const TStringList& SyncFilesList() const { return FSyncFilesList; }
  TStringList& NoSyncFilesList() { return FNoSyncFilesList; }
  const TStringList& NoSyncFilesList() const { return FNoSyncFilesList; }
  std::int16_t WhenSyncedFolderHasNewSameFile() const { return FWhenSyncedFolderHasNewSameFile; }
  void SetWhenSyncedFolderHasNewSameFile(std::int16_t value) { FWhenSyncedFolderHasNewSameFile = value; }
  std::int16_t WhenSyncedFolderHasNewFile() const { return FWhenSyncedFolderHasNewFile; }
  void SetWhenSyncedFolderHasNewFile(std::int16_t value) { FWhenSyncedFolderHasNewFile = value; }
  bool AllSync() const { return FAllSync; }
  void SetAllSync(bool value) { FAllSync = value; }
  // The safety net: old versions kept, for how many days (1 to
  // kMaxVersionDays), and the file count from which a run asks first.
  bool KeepVersions() const { return FKeepVersions; }
  void SetKeepVersions(bool value) { FKeepVersions = value; }
  std::int32_t VersionDays() const { return FVersionDays; }
  void SetVersionDays(std::int32_t value) { FVersionDays = value; }
  std::int32_t ConfirmFiles() const { return FConfirmFiles; }
  void SetConfirmFiles(std::int32_t value) { FConfirmFiles = value; }
  // The largest whole-hour shift of a FAT drive's times taken for none (0
  // to kMaxFatHours).
  std::int32_t FatHours() const { return FFatHours; }
  void SetFatHours(std::int32_t value) { FFatHours = value; }

 private:
  std::int32_t ReadInteger(const char* section, const std::string& key, std::int32_t defaultValue) const;

  std::string FUFolderPath;
  std::string FDFolderPath;
  std::string FMac;
  TStringList FSyncFilesList;
  TStringList FNoSyncFilesList;
  std::int16_t FWhenSyncedFolderHasNewSameFile = 2;
  std::int16_t FWhenSyncedFolderHasNewFile = 0;
  std::string FExeFolderPath;  // the configuration file's full name
  bool FAllSync = true;
  bool FKeepVersions = true;
  std::int32_t FVersionDays = kDefaultVersionDays;
  std::int32_t FConfirmFiles = kDefaultConfirmFiles;
  std::int32_t FFatHours = kDefaultFatHours;
  platform::ProfileFile FSynciniFile;
};
