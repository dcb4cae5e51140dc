// The second half of a manual job: plan the changes from the two sorted
// inventories, then carry the plan out phase by phase, flush, and close
// with the error summary and the closing line.
#include <optional>

#include "engine/apply_phases.h"
#include "engine/drive_check.h"
#include "engine/folder_respell.h"
#include "engine/pThdSync.h"
#include "engine/scanned_state.h"
#include "engine/sync_plan.h"
#include "engine/version_store.h"
#include "platform/datetime.h"
#include "platform/content_compare.h"
#include "platform/file_ops.h"

namespace {

// The share of a drive the old versions may take before the oldest go.
constexpr std::int32_t kVersionsSharePercent = 10;

}  // namespace

void ThdSync::ApplyChanges(TInventoryList& SourceList, TInventoryList& TargetList, const TEntryComparer& Comparer,
                           const std::string& SourceRoot, const std::string& TargetRoot) {
  // Identity look-ups on FUSE drives read folder listings; a run reads each once.
  const platform::ListingCacheScope listings;
  const TNewerInTarget newerInTarget = NewerInTargetFrom(settings_.WhenSyncedFolderHasNewSameFile);
  // A source that holds a way into the target did not see the target's own
  // entries: they stay.
  TTargetOnly targetOnly = TargetOnlyFrom(settings_.WhenSyncedFolderHasNewFile);
  if (sourceHoldsTarget_ && targetOnly == TTargetOnly::Delete) targetOnly = TTargetOnly::Keep;

  // The files of each side, before planning empties the lists.
  const std::int64_t sourceFiles = FileCount(SourceList), targetFiles = FileCount(TargetList);
  TFileStore respelledRecords;
  std::vector<TFolderRespell> respells = PairRespelledFolders(
      SourceList, SourceRoot.size(), TargetList, TargetRoot, respelledRecords,
      [](const std::string& a, const std::string& b) {
        const auto first = platform::fileIdentity(a);
        return first && first == platform::fileIdentity(b);
      });
  std::optional<TSyncPlan> plan = PlanChanges(
      SourceList, TargetList, Comparer, SourceRoot.size(), TargetRoot.size(), unreadRelative_,
      [](const TFileInfo& s, const TFileInfo& t) {
        // Changed since the scan, it is no longer the renamed file: the
        // source's file is copied and this one meets the target-only checks.
        return platform::sameContent(s.Key(), t.Key()) && StillAsScanned(t);
      },
      StopSync);
  if (!plan) return;
  plan->FolderRespells = std::move(respells);
  report_->Update([&](TJobOutcome& o) { o.Planned = PlannedWork(*plan, newerInTarget, targetOnly); });
  // What the drives cannot take, before anything changes: refused files
  // are error lines of their steps, and a run that does not fit stays undone.
  const TPlanCheck check = CheckPlan(*plan, newerInTarget, targetOnly, settings_.KeepVersions, SourceRoot.size(),
                                     TargetRoot.size(), DriveRoomOf(SourceRoot), DriveRoomOf(TargetRoot));
  if (DryRun) return ShowPreview(*plan, check, newerInTarget, targetOnly, SourceRoot, TargetRoot);
  if (const std::string shortage = ShortageLine(check); !shortage.empty()) {
    const std::string& root = check.Target.Short() ? TargetRoot : SourceRoot;
    return Fail(shortage, platform::OsStatus::fromErrno(ENOSPC, "check", root));
  }
  TBigChange change = JudgeChange(LossOf(*plan, newerInTarget, targetOnly), sourceFiles, targetFiles,
                                  settings_.ConfirmFiles, decidingFile_);
  change.SourceRoot = SourceRoot;
  change.TargetRoot = TargetRoot;
  if (change.Big() && !ConfirmBigChange(change)) return;

  // Old versions on both sides: what this run deletes or overwrites, after
  // the runs past their time are gone.
  std::optional<TVersionStore> targetVersions, sourceVersions;
  for (const std::string* root : {&TargetRoot, &SourceRoot})
    PruneVersions(*root, settings_.VersionDays, kVersionsSharePercent, platform::now());
  if (settings_.KeepVersions) {
    const std::string run = VersionRunName(SyncStartTime);
    targetVersions.emplace(TargetRoot, run);
    sourceVersions.emplace(SourceRoot, run);
  }
  TPlanActions act(*plan, SourceRoot, TargetRoot, FWinHandle, [this](const std::string& line) { TimedLine(line); },
                   *report_);
  if (targetVersions) act.KeepVersions(&*targetVersions, &*sourceVersions);
  act.Refuse(check);
  act.ReportUnread(unreadFolders_);
  act.RespellFolders();
  act.Renames();
  // Returns at the first stop check that finds StopSync set.
  const bool stopped = [&] {
    if (act.Updates() || act.NewFolders() || act.NewFiles() || act.NewerInTarget(newerInTarget)) return true;
    switch (targetOnly) {
      case TTargetOnly::Keep: return false;
      case TTargetOnly::Delete: return act.DeleteTargetOnly(targetFiltered_, scanStamp_, unreadFolders_);
      case TTargetOnly::CopyBack: return act.CopyBackTargetOnly();
    }
    return false;
  }();
  act.Flush();

  // A copy cancelled by the stop counts as failed; with no stop check after
  // it (the last item) it would otherwise be reported.
  if (stopped || StopSync) {
    act.ReportVersions();
    return;
  }

  // Error summary, closing line.
  const std::vector<std::string>& errors = act.Errors();
  if (!errors.empty()) {
    LogLine("同步出错，请检查");
    std::string block;
    for (const std::string& line : errors) block.append(line).append("\r\n");
    LogLine(block);
  }
  act.ReportVersions();
  TimedLine("手动同步结束，用时" + std::to_string(ElapsedSeconds()) + "秒");
}
