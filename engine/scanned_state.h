// The checks a run makes before it replaces, deletes or renames an entry:
// the user may have changed it since the scan, and what the scan did not
// see must not be lost to a plan made without it.
#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <unordered_map>

#include "inventory/file_info.h"
#include "inventory/inventory_list.h"
#include "platform/entry_state.h"
#include "platform/os_status.h"

// The reason a step was not taken: its entry changed since the scan.
std::error_code ChangedSinceScanError();

// Whether the entry at seen's key is still what the scan saw: the same kind,
// a link or not as before, the same identity where the drive keeps one and,
// for a file, the same size and modification time. A folder's own time is
// not compared: the run's own removals inside it change it.
bool StillAsScanned(const TFileInfo& seen);
// The same of what is at path now (the file moved elsewhere since).
bool StillAsScannedAt(const TFileInfo& seen, const std::string& path);

// ok while StillAsScanned(seen); otherwise a ChangedSinceScanError status.
// For a copy's confirmDestination.
platform::OsStatus ConfirmAsScanned(const TFileInfo& seen);

enum class TFolderRemoval {
  Removed,
  Changed,  // changed or holding something new since the scan: kept
  Held,     // kept, holding only what the run kept on purpose
  Failed,   // could not be removed, or holds what could not be
};

// Removes target-only folders, deepest first, taking along exactly what the
// scan saw and the run did not remove by itself: the files that the type
// filter left out, and entries of kinds that are never listed (pipes,
// links that lead nowhere) unchanged since before the scan began.
class TScannedFolderRemover {
 public:
  // Discard removes one file the folder takes along (a deletion, or a move
  // into the old versions); platform::deleteFile when empty.
  using TDiscard = std::function<platform::OsStatus(const std::string& path)>;
  TScannedFolderRemover(const TInventoryList& filtered, platform::StampTime scanStart, TDiscard discard = {});

  // The run leaves the entry at path in place: on purpose (a changed entry,
  // reported already; a folder it could not read), when the folder holding
  // it stays without a report of its own, or because removing it failed,
  // when the folder's removal fails too.
  void Keep(const std::string& path, bool failed = false);

  // Removes folder (a link to a folder loses only the link). Why, when
  // given, receives the failure of a Failed removal (empty when what failed
  // was a removal reported already).
  TFolderRemoval Remove(const TFileInfo& folder, platform::OsStatus* Why = nullptr);

 private:
  std::unordered_map<std::string, const TFileInfo*> filtered_;
  std::unordered_map<std::string, bool> kept_;  // path: whether its removal failed
  platform::StampTime scanStart_;
  TDiscard discard_;
};
