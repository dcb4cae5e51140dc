// The command line of drovan-sync: parsing and the usage text. Every mistake
// is a UsageError whose message is one line for standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "inventory/pglobal.h"

struct CliOptions {
  std::optional<std::string> disk;
  std::optional<std::string> usb;
  std::optional<std::string> config;
  std::optional<std::string> types;      // monitored types, ";" list text
  std::optional<std::string> skipTypes;  // types not monitored
  std::optional<std::int16_t> sameNewer;   // WhenSyncedFolderHasNewSameFile
  std::optional<std::int16_t> targetOnly;  // WhenSyncedFolderHasNewFile
  std::optional<std::int32_t> fatHours;    // largest FAT time-zone shift taken for none
  TSyncType mode = TSyncType::AutoSync;
  bool noProgress = false;
  bool verbose = false;  // the system's account of each failure on standard error
  bool noVersions = false;  // no old versions kept by this run
  bool yes = false;         // a big deletion goes ahead without asking
  bool dryRun = false;      // plan and print, change nothing
  bool help = false;
  bool version = false;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Accepts "--name value" and "--name=value". Raises UsageError for an unknown
// option, a missing or bad value, a stray argument, or only one of --disk
// and --usb.
CliOptions parseArguments(const std::vector<std::string>& args);

std::string usageText();
