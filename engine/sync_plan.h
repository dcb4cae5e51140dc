// The plan of a change application, made from the two sorted inventories
// before anything on disk changes: which files to update, copy and copy
// back, which folders to create, what only the target holds, and which
// target-only files are source files renamed. A value: it can be tested on
// inventories built in memory and printed without touching a drive.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/entry_comparer.h"
#include "engine/folder_respell.h"
#include "engine/job_outcome.h"
#include "inventory/inventory_list.h"

// What becomes of a file that is newer in the target, from the stored
// number: 0 the source's version replaces it, 2 it is copied back over the
// source's; 1, and any other number, leaves both alone.
enum class TNewerInTarget { Replace, Keep, CopyBack };
TNewerInTarget NewerInTargetFrom(std::int16_t stored);

// What becomes of entries only the target holds: 0 deleted, 1 kept, any
// other number copied back to the source.
enum class TTargetOnly { Delete, Keep, CopyBack };
TTargetOnly TargetOnlyFrom(std::int16_t stored);

// A source-only file and the target-only file it was renamed from.
struct TRenamePair {
  const TFileInfo* Source;
  const TFileInfo* Target;
};

struct TSyncPlan {
  TInventoryList Updates;          // source files newer than the target's
  TInventoryList NewFiles;         // source-only files
  TInventoryList NewFolders;       // source-only folders
  TInventoryList NewerInTarget;    // target files newer than the source's
  TInventoryList TargetOnlyFiles;  // renamed ones left out
  TInventoryList TargetOnlyFolders;
  std::vector<TRenamePair> Renames;  // in the order of the source's files
  // Target folders that take the source's letter case, before the renames.
  std::vector<TFolderRespell> FolderRespells;
  // Files paired by name with a file of the other side, in inventory order.
  std::vector<const TFileInfo*> PairedSource, PairedTarget;
  // The other side's file of an update, and of a file newer in the target.
  std::unordered_map<const TFileInfo*, const TFileInfo*> Counterpart;
};

// Whether target, of the same folder, time and size as the source-only
// file source, is that file renamed (the run compares their contents).
using TRenameCheck = std::function<bool(const TFileInfo& source, const TFileInfo& target)>;

// Pairs the two inventories (sorted, keys below roots of the given lengths)
// and empties them. Nothing in or under a folder of unreadRelative (paths
// below the roots) is planned. nullopt when stop was found set at one of
// the planning's stop checks.
std::optional<TSyncPlan> PlanChanges(TInventoryList& SourceList, TInventoryList& TargetList,
                                     const TEntryComparer& Comparer, std::size_t SourceRootLength,
                                     std::size_t TargetRootLength, const std::vector<std::string>& UnreadRelative,
                                     const TRenameCheck& IsRename, const std::atomic<bool>& Stop);

// The steps and copy bytes the plan holds under the two strategies.
TJobWork PlannedWork(const TSyncPlan& Plan, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly);
