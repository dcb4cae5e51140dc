#include "engine/scanned_state.h"

#include <vector>

#include "engine/file_ops.h"
#include "platform/file_ops.h"

namespace {

class ChangedCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "scan"; }
  std::string message(int) const override { return "changed since the scan"; }
};

bool SameTime(const platform::EntryState& now, const TFileInfo& seen) {
  return now.mtimeSeconds == seen.MTimeSeconds && now.mtimeNanoseconds == seen.MTimeNanoseconds;
}

}  // namespace

std::error_code ChangedSinceScanError() {
  static const ChangedCategory category;
  return {1, category};
}

bool StillAsScanned(const TFileInfo& seen) { return StillAsScannedAt(seen, seen.Key()); }

bool StillAsScannedAt(const TFileInfo& seen, const std::string& path) {
  if (seen.MTimeNanoseconds < 0) return true;  // no scan saw it: nothing to compare with
  const platform::EntryState now = platform::examineEntry(path);
  if (!now.exists || now.isFolder != seen.Falg || now.isLink != seen.IsLink) return false;
  if (now.stableIdentity && !(now.id == seen.Id)) return false;
  return seen.Falg || (now.size == seen.Size && SameTime(now, seen));
}

platform::OsStatus ConfirmAsScanned(const TFileInfo& seen) {
  if (StillAsScanned(seen)) return {};
  return {ChangedSinceScanError(), "confirm", seen.Key()};
}

TScannedFolderRemover::TScannedFolderRemover(const TInventoryList& filtered, platform::StampTime scanStart,
                                             TDiscard discard)
    : scanStart_(scanStart), discard_(std::move(discard)) {
  if (!discard_) discard_ = [](const std::string& path) { return platform::deleteFile(path); };
  filtered_.reserve(filtered.Count());
  for (const TFileInfo* e : filtered) filtered_.emplace(e->Key(), e);
}

void TScannedFolderRemover::Keep(const std::string& path, bool failed) { kept_[path] |= failed; }

TFolderRemoval TScannedFolderRemover::Remove(const TFileInfo& folder, platform::OsStatus* Why) {
  platform::OsStatus failure;
  const std::string path = folder.Key();
  TFolderRemoval outcome = TFolderRemoval::Removed;
  if (!StillAsScanned(folder)) {
    outcome = TFolderRemoval::Changed;
  } else if (folder.IsLink) {
    if (failure = platform::deleteFile(path); !failure.ok()) outcome = TFolderRemoval::Failed;
  } else if (!RemoveDirOp(path, &failure)) {
    std::vector<platform::NamedState> entries;
    std::vector<std::string> doomed;
    bool held = false, heldFailed = false, changed = false;
    if (failure = platform::listEntries(path, entries); !failure.ok()) {
      outcome = TFolderRemoval::Failed;
    } else {
      for (const platform::NamedState& entry : entries) {
        std::string inner = path;
        inner.push_back(PathDelim);
        inner.append(entry.name);
        if (const auto kept = kept_.find(inner); kept != kept_.end()) {
          held = true;
          heldFailed |= kept->second;
          continue;
        }
        const auto left = filtered_.find(inner);
        const bool leftOut = left != filtered_.end() && StillAsScanned(*left->second);
        const bool unlistedAndOld = !entry.state.isListed && !entry.state.isFolder &&
                                    platform::StampTime{entry.state.ctimeSeconds, entry.state.ctimeNanoseconds} <
                                        scanStart_;
        if (leftOut || unlistedAndOld)
          doomed.push_back(std::move(inner));
        else
          changed = true;
      }
      if (changed) {
        outcome = TFolderRemoval::Changed;
      } else if (heldFailed) {
        outcome = TFolderRemoval::Failed;
        failure = {};  // the entry that stayed has its own report
      } else if (held) {
        outcome = TFolderRemoval::Held;
      } else {
        for (const std::string& inner : doomed)
          if (platform::OsStatus r = discard_(inner); !r.ok()) {
            outcome = TFolderRemoval::Failed;
            failure = std::move(r);
          }
        if (outcome == TFolderRemoval::Removed && !RemoveDirOp(path, &failure)) outcome = TFolderRemoval::Failed;
      }
    }
  }
  if (outcome != TFolderRemoval::Removed) Keep(path, outcome == TFolderRemoval::Failed);
  if (Why) *Why = outcome == TFolderRemoval::Failed ? std::move(failure) : platform::OsStatus{};
  return outcome;
}
