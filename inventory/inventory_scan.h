// The engine's scan of one watched folder straight into records: what
// GetFileAry followed by FileAryToList gives (the same items, order, whole
// second times, newest time and errors), without the text per entry in
// between, which a large tree cannot afford twice over.
#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "inventory/inventory_list.h"
#include "platform/folder_reader.h"

// A folder of the scan whose contents are missing: it could not be opened or
// read, or lies too deep to be named by a path. Path is as the walk formed it
// (the root as given, or the root joined with the relative path).
struct TUnreadFolder {
  std::string Path;
  std::error_code Error;
};

// What a scan may report beyond its inventory, and what it must not enter.
struct TScanExtras {
  // Receives the folders whose contents are missing, in walk order.
  std::vector<TUnreadFolder>* Unread = nullptr;
  // Folders not to enter (see TMyDirectory::VisitFiles).
  const std::vector<platform::FileIdentity>* Fenced = nullptr;
  // Receives the files that the type filter left out, with what the scan
  // saw of them: a folder that a run removes takes them along only while
  // they are as the scan saw them.
  TInventoryList* Filtered = nullptr;
  // Leaves the copy's leftover temporary files in place: a scan that must
  // change nothing.
  bool KeepCopyTemps = false;
  // Receives the record of the file whose time is the newest time (the
  // first seen of equal times), null when no file was kept.
  const TFileInfo** Newest = nullptr;
};

TInventoryList ScanToInventory(const std::string& Path, TDateTime& NewestFileTime, bool AllSync,
                               const std::vector<std::string>& AllowList,
                               const std::vector<std::string>& NoAllowList, TFileStore& store,
                               const TScanExtras& Extras = {});
