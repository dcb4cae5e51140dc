#include "engine/sync_plan.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

namespace {

struct RenameKey {
  std::string_view folder;
  TDateTime time;
  std::int64_t size;
  bool operator==(const RenameKey& o) const {
    return folder == o.folder && size == o.size && std::memcmp(&time, &o.time, sizeof time) == 0;
  }
};

struct RenameKeyHash {
  std::size_t operator()(const RenameKey& k) const {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &k.time, sizeof bits);
    return std::hash<std::string_view>()(k.folder) ^ (bits * 0x9E3779B97F4A7C15ULL) ^
           std::hash<std::int64_t>()(k.size) << 1;
  }
};

std::string_view RelativeFolder(const TFileInfo& info, std::size_t rootLength) {
  std::string_view path = info.Path;
  return path.substr(std::min(rootLength, path.size()));
}

// Leaves out of list what lies in or under one of the unread folders, the
// folders themselves included.
void DropUnread(TInventoryList& list, std::size_t rootLength, const std::unordered_set<std::string_view>& unread) {
  TInventoryList kept;
  kept.Reserve(list.Count());
  std::string relative;
  for (TFileInfo* e : list) {
    relative.clear();
    e->AppendRelative(relative, rootLength);
    const std::string_view view(relative);
    bool hidden = false;
    for (std::size_t end = view.find(PathDelim);; end = view.find(PathDelim, end + 1)) {
      if (unread.count(view.substr(0, end))) {
        hidden = true;
        break;
      }
      if (end == std::string_view::npos) break;
    }
    if (!hidden) kept.Add(e);
  }
  list = std::move(kept);
}

// A source-only file and a target-only file in the same relative folder
// with the same time and size may be one file renamed. Indexed, so each
// source file finds its first candidate in list order at once. Where the
// drives' times match only roughly, the index leaves the time out and the
// candidates of one folder and size are tried by time.
void FindRenames(TSyncPlan& plan, std::size_t sourceRootLength, std::size_t targetRootLength,
                 const TTimeMatch& times, const TRenameCheck& isRename) {
  TInventoryList& copies = plan.NewFiles;
  TInventoryList& extras = plan.TargetOnlyFiles;
  if (copies.Empty() || extras.Empty()) return;
  const bool exact = times.Exact();
  auto keyOf = [&](const TFileInfo& e, std::size_t rootLength) {
    return RenameKey{RelativeFolder(e, rootLength), exact ? e.LastModifyTime : TDateTime{}, e.Size};
  };
  std::unordered_map<RenameKey, std::vector<std::size_t>, RenameKeyHash> candidates;
  for (std::size_t k = extras.Count(); k-- > 0;) candidates[keyOf(*extras.Objects(k), targetRootLength)].push_back(k);
  std::vector<bool> copyPaired(copies.Count()), extraPaired(extras.Count());
  for (std::size_t k = 0; k < copies.Count(); ++k) {
    const TFileInfo& s = *copies.Objects(k);
    auto found = candidates.find(keyOf(s, sourceRootLength));
    if (found == candidates.end() || found->second.empty()) continue;
    // Equal size and time do not make one file (an archive unpacks many
    // with one time): the first candidate in list order (pushed last) that
    // the check accepts is the renamed file.
    std::vector<std::size_t>& pool = found->second;
    auto agreeing = std::find_if(pool.rbegin(), pool.rend(), [&](std::size_t match) {
      const TFileInfo& t = extras[match];
      return (exact || times.Same(s.LastModifyTime, t.LastModifyTime, true)) && isRename(s, t);
    });
    if (agreeing == pool.rend()) continue;
    const std::size_t match = *agreeing;
    pool.erase(std::next(agreeing).base());
    plan.Renames.push_back({&s, &extras[match]});
    copyPaired[k] = true;
    extraPaired[match] = true;
  }
  auto dropPaired = [](TInventoryList& list, const std::vector<bool>& paired) {
    TInventoryList kept;
    kept.Reserve(list.Count());
    for (std::size_t k = 0; k < list.Count(); ++k)
      if (!paired[k]) kept.Add(list.Objects(k));
    list = std::move(kept);
  };
  dropPaired(copies, copyPaired);
  dropPaired(extras, extraPaired);
}

}  // namespace

TNewerInTarget NewerInTargetFrom(std::int16_t stored) {
  switch (stored) {
    case 0: return TNewerInTarget::Replace;
    case 2: return TNewerInTarget::CopyBack;
    default: return TNewerInTarget::Keep;
  }
}

TTargetOnly TargetOnlyFrom(std::int16_t stored) {
  switch (stored) {
    case 0: return TTargetOnly::Delete;
    case 1: return TTargetOnly::Keep;
    default: return TTargetOnly::CopyBack;
  }
}

std::optional<TSyncPlan> PlanChanges(TInventoryList& SourceList, TInventoryList& TargetList,
                                     const TEntryComparer& Comparer, std::size_t SourceRootLength,
                                     std::size_t TargetRootLength, const std::vector<std::string>& UnreadRelative,
                                     const TRenameCheck& IsRename, const std::atomic<bool>& Stop) {
  TSyncPlan plan;
  auto pair = [&](const TFileInfo* s, const TFileInfo* t) {
    if (s->Falg) return;
    plan.PairedSource.push_back(s);
    plan.PairedTarget.push_back(t);
  };
  // A merge walk over the two sorted inventories.
  std::size_t i = 0, head = 0;
  while (i < SourceList.Count() && head < TargetList.Count()) {
    TFileInfo* s = SourceList.Objects(i);
    TFileInfo* t = TargetList.Objects(head);
    switch (Comparer(*s, *t)) {
      case Same: pair(s, t), ++i, ++head; break;
      case SourceNewer: plan.Updates.Add(s), pair(s, t), plan.Counterpart[s] = t, ++i, ++head; break;
      case SourceOnlyFile: plan.NewFiles.Add(s), ++i; break;
      case SourceOnlyDir: plan.NewFolders.Add(s), ++i; break;
      case TargetNewer: plan.NewerInTarget.Add(t), pair(s, t), plan.Counterpart[t] = s, ++i, ++head; break;
      case TargetOnlyFile: plan.TargetOnlyFiles.Add(t), ++head; break;
      case TargetOnlyDir: plan.TargetOnlyFolders.Add(t), ++head; break;
    }
  }
  if (head >= TargetList.Count()) {
    for (; i < SourceList.Count(); ++i) {
      if (Stop) return std::nullopt;
      TFileInfo* s = SourceList.Objects(i);
      (s->Falg ? plan.NewFolders : plan.NewFiles).Add(s);
    }
  } else {
    for (; head < TargetList.Count(); ++head) {
      if (Stop) return std::nullopt;
      TFileInfo* t = TargetList.Objects(head);
      (t->Falg ? plan.TargetOnlyFolders : plan.TargetOnlyFiles).Add(t);
    }
  }
  SourceList.Clear();
  TargetList.Clear();

  // Nothing happens in or under a folder that one side could not list: a
  // file missing from its listing may well exist, and must not be deleted,
  // overwritten or copied back over.
  if (!UnreadRelative.empty()) {
    const std::unordered_set<std::string_view> unread(UnreadRelative.begin(), UnreadRelative.end());
    for (TInventoryList* list : {&plan.Updates, &plan.NewFiles, &plan.NewFolders})
      DropUnread(*list, SourceRootLength, unread);
    for (TInventoryList* list : {&plan.NewerInTarget, &plan.TargetOnlyFiles, &plan.TargetOnlyFolders})
      DropUnread(*list, TargetRootLength, unread);
  }

  FindRenames(plan, SourceRootLength, TargetRootLength, Comparer.Times(), IsRename);
  return plan;
}

TJobWork PlannedWork(const TSyncPlan& Plan, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly) {
  TJobWork work;
  auto bytes = [&](const TFileInfo* e) { work.CopyBytes += e->Size; };
  work.Renamed = static_cast<std::int64_t>(Plan.Renames.size() + Plan.FolderRespells.size());
  work.Updated = static_cast<std::int64_t>(Plan.Updates.Count());
  for (const TFileInfo* e : Plan.Updates) bytes(e);
  work.FoldersCreated = static_cast<std::int64_t>(Plan.NewFolders.Count());
  work.Copied = static_cast<std::int64_t>(Plan.NewFiles.Count());
  for (const TFileInfo* e : Plan.NewFiles) bytes(e);
  if (NewerInTarget != TNewerInTarget::Keep) {
    work.NewerInTarget = static_cast<std::int64_t>(Plan.NewerInTarget.Count());
    for (const TFileInfo* e : Plan.NewerInTarget)
      bytes(NewerInTarget == TNewerInTarget::Replace ? Plan.Counterpart.at(e) : e);
  }
  switch (TargetOnly) {
    case TTargetOnly::Keep: break;
    case TTargetOnly::Delete:
      work.Deleted = static_cast<std::int64_t>(Plan.TargetOnlyFiles.Count());
      work.FoldersDeleted = static_cast<std::int64_t>(Plan.TargetOnlyFolders.Count());
      break;
    case TTargetOnly::CopyBack:
      work.FoldersCopiedBack = static_cast<std::int64_t>(Plan.TargetOnlyFolders.Count());
      work.CopiedBack = static_cast<std::int64_t>(Plan.TargetOnlyFiles.Count());
      for (const TFileInfo* e : Plan.TargetOnlyFiles) bytes(e);
      break;
  }
  return work;
}
