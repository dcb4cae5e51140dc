#include "engine/apply_phases.h"

#include <unordered_set>

#include "engine/case_variants.h"
#include "engine/failure_reason.h"
#include "engine/file_ops.h"
#include "engine/scanned_state.h"
#include "engine/written_entries.h"
#include "inventory/MyGetFiles.h"
#include "platform/file_ops.h"

namespace {

// Stopped: cancelled by the stop, which is no failure of the file.
enum class Copied { Yes, Failed, Changed, Stopped };

}  // namespace

struct TPlanActions::State {
  State(TSyncPlan& plan, const std::string& sourceRoot, const std::string& targetRoot, platform::HWND window,
        TLineSink timedLine, TJobReport& report)
      : plan(plan),
        sourceRoot(sourceRoot),
        targetRoot(targetRoot),
        window(window),
        timedLine(std::move(timedLine)),
        report(report),
        writtenTarget(targetRoot),
        writtenSource(sourceRoot),
        changedTarget(targetRoot),
        changedSource(sourceRoot),
        targetDrive(DestinationDriveOf(targetRoot)),
        sourceDrive(DestinationDriveOf(sourceRoot)) {}

  TSyncPlan& plan;
  const std::string& sourceRoot;
  const std::string& targetRoot;
  platform::HWND window;
  TLineSink timedLine;
  TJobReport& report;
  TWrittenEntries writtenTarget, writtenSource;
  TChangedSide changedTarget, changedSource;
  TDestinationDrive targetDrive, sourceDrive;
  bool flushed = false;
  TVersionStore* targetVersions = nullptr;
  TVersionStore* sourceVersions = nullptr;
  const TPlanCheck* check = nullptr;
  std::vector<std::string> errors;
  platform::OsStatus copyFailure;  // of the last copy that failed
  std::int64_t copiedBytes = 0;    // of the last copy that succeeded

  // The line's text and path, then the reason, when there is one.
  void addError(const char* text, const std::string& path, const platform::OsStatus& why = {}) {
    errors.push_back(std::to_string(errors.size() + 1) + "、" + text + path + FailureReason(why));
    report.Update([&](TJobOutcome& o) { o.Errors.push_back({errors.back(), why}); });
  }
  // A step the check refused: its error line, under the step's own text.
  bool refused(const TFileInfo* entry, const char* text, const std::string& path) {
    const TRefused* refusal = check ? check->RefusalOf(entry) : nullptr;
    if (!refusal) return false;
    errors.push_back(std::to_string(errors.size() + 1) + "、" + text + path + refusal->Reason);
    const int error = refusal->Kind == TRefusal::TooLarge ? EFBIG : EINVAL;
    report.Update([&](TJobOutcome& o) {
      o.Errors.push_back({errors.back(), platform::OsStatus::fromErrno(error, "check", path)});
    });
    return true;
  }
  // A step that succeeded, of the kind that member names.
  void done(std::int64_t TJobWork::*kind, std::int64_t bytes = 0) {
    report.Update([&](TJobOutcome& o) {
      ++(o.Done.*kind);
      o.Done.CopyBytes += bytes;
    });
  }
  // One file copy with its progress messages; refuses to overwrite a file
  // this run has already written on that side, and one that confirm (asked
  // before and after the data moves) finds changed since the scan.
  // absentAtScan: the scan saw nothing at dst, and confirm (StillAbsent)
  // checks that nothing is there still.
  Copied copy(const std::string& src, const std::string& dst, TCopyKind kind, TWrittenEntries& written,
              std::function<platform::OsStatus()> confirm, bool absentAtScan = false) {
    const bool toTarget = &written == &writtenTarget;
    TVersionStore* versions = toTarget ? targetVersions : sourceVersions;
    std::function<platform::OsStatus()> keepOld;
    if (versions) {
      versions->Prepare(dst, absentAtScan);
      keepOld = [versions, &dst] { return versions->KeepBeforeReplace(dst); };
    }
    const TCopyResult result =
        CopyFileTracked(NewCopyInfo(src, dst, window, kind), written.Ids(), std::move(confirm), std::move(keepOld),
                        toTarget ? targetDrive : sourceDrive, absentAtScan);
    if (versions) versions->Settle(static_cast<bool>(result));
    if (result) {
      written.Add(dst, result.Written);
      (toTarget ? changedTarget : changedSource).Wrote(dst, result.Flushed);
      copiedBytes = result.Bytes;
      return Copied::Yes;
    }
    if (result.Status.code == ChangedSinceScanError()) return Copied::Changed;
    if (result.Status.code == std::errc::operation_canceled) return Copied::Stopped;
    copyFailure = result.Status;
    return Copied::Failed;
  }
  // Deletes the target's file at path, or moves it into the old versions;
  // with what the scan saw there, a move checks it right before and after.
  bool discard(const std::string& path, platform::OsStatus* why, const TFileInfo* seen = nullptr) {
    if (targetVersions) {
      platform::OsStatus kept =
          seen ? targetVersions->Discard(path, [seen](const std::string& at) { return StillAsScannedAt(*seen, at); })
               : targetVersions->Discard(path);
      // On another drive below the root the versions cannot hold it.
      if (kept.code != std::errc::cross_device_link) {
        if (kept.ok()) return true;
        if (why) *why = std::move(kept);
        return false;
      }
    }
    return DeleteFileForced(path, why);
  }
  // A copy refused because its name already leads to a file paired with
  // another entry (one file under two spellings).
  Copied nameTaken(const std::string& dest) {
    copyFailure = platform::OsStatus::fromErrno(EEXIST, "copy", dest);
    return Copied::Failed;
  }
};

namespace {

const char* const kChangedNotReplaced = "该文件在同步期间被改动，未覆盖，请检查：";
const char* const kCopyFailed = "复制文件错误，请检查该文件是否正在使用：";
const char* const kFolderNotCreated = "创建文件夹错误，请检查该文件夹：";

std::string Count(const TInventoryList& list) { return std::to_string(list.Count()); }

std::string Rel(const TFileInfo* item, const std::string& root) { return item->Relative(root.size()); }

std::function<platform::OsStatus()> AsScanned(const TFileInfo* seen) {
  return [seen] { return ConfirmAsScanned(*seen); };
}

// A destination that held nothing at the scan must hold nothing still; on
// a drive that ignores letter case it may be a target-only file of another
// spelling, unchanged, which it then replaces.
// What it saw goes to versions, when given, so that keeping the old file
// right after needs no look of its own.
std::function<platform::OsStatus()> StillAbsent(std::string dest, std::size_t rootLength,
                                                const std::vector<const TFileInfo*>* variants,
                                                TVersionStore* versions) {
  return [dest = std::move(dest), rootLength, variants, versions]() -> platform::OsStatus {
    const platform::EntryState now = platform::examineEntry(dest);
    if (versions) versions->Looked(dest, !now.exists && !now.isLink);
    if (!now.exists) return {};
    if (variants && AnyCaseVariant(*variants, rootLength, CutRoot(dest, rootLength),
                                   [](const TFileInfo& t) { return StillAsScanned(t); }))
      return {};
    return {ChangedSinceScanError(), "confirm", dest};
  };
}

}  // namespace

TPlanActions::TPlanActions(TSyncPlan& Plan, const std::string& SourceRoot, const std::string& TargetRoot,
                           platform::HWND Window, TLineSink TimedLine, TJobReport& Report)
    : state_(std::make_unique<State>(Plan, SourceRoot, TargetRoot, Window, std::move(TimedLine), Report)) {}

// The flush runs on every way out, a failed folder creation included, so
// whatever was written is on the drive when the job's last line shows.
TPlanActions::~TPlanActions() {
  if (!state_->flushed) FlushChangedSides({&state_->changedTarget, &state_->changedSource});
}

const std::vector<std::string>& TPlanActions::Errors() const { return state_->errors; }

void TPlanActions::KeepVersions(TVersionStore* Target, TVersionStore* Source) {
  state_->targetVersions = Target;
  state_->sourceVersions = Source;
}

void TPlanActions::ReportVersions() {
  for (const TVersionStore* versions : {state_->targetVersions, state_->sourceVersions})
    if (versions && versions->Kept() > 0)
      state_->timedLine("被删除或覆盖的文件的旧版本共" + std::to_string(versions->Kept()) + "个，保存在" +
                        versions->RunFolder());
}

void TPlanActions::Refuse(const TPlanCheck& Check) { state_->check = &Check; }

void TPlanActions::ReportUnread(const std::vector<TUnreadFolder>& Unread) {
  for (const TUnreadFolder& folder : Unread) {
    if (folder.Error == FencedFolderError())
      state_->addError("该文件夹通向另一个同步文件夹，未同步，请检查：", folder.Path);
    else
      state_->addError("读取文件夹错误，请检查该文件夹：", folder.Path, {folder.Error, "open", folder.Path});
  }
}

void TPlanActions::RespellFolders() {
  State& s = *state_;
  for (const TFolderRespell& respell : s.plan.FolderRespells) {
    s.timedLine("被同步文件夹修改文件夹名" + respell.From + "修改为" + respell.To);
    if (platform::OsStatus why; RenameFileOp(respell.From, respell.To, &why)) {
      s.changedTarget.Changed(respell.From);
      s.changedTarget.Changed(respell.To);
      s.done(&TJobWork::Renamed);
    } else {
      s.addError("修改文件夹名错误，两种写法视为同一个文件夹：", respell.From + "修改为" + respell.To, why);
    }
  }
}

void TPlanActions::Renames() {
  State& s = *state_;
  for (const auto& [source, target] : s.plan.Renames) {
    const std::string oldPath = target->Key();
    const std::string newPath = std::string(target->Path) + std::string(source->Name);
    if (s.refused(source, "修改文件名错误，请检查该文件是否正在使用：", oldPath)) continue;
    s.timedLine("被同步文件夹修改文件名" + oldPath + "修改为" + newPath);
    // Once more right before the step: the line took its time.
    if (!StillAsScanned(*target)) {
      s.addError("该文件在同步期间被改动，未修改文件名，请检查：", oldPath);
    } else if (platform::OsStatus why; RenameFileOp(oldPath, newPath, &why)) {
      s.writtenTarget.Add(newPath);
      s.changedTarget.Changed(oldPath);
      s.changedTarget.Wrote(newPath);
      s.done(&TJobWork::Renamed);
    } else {
      s.addError("修改文件名错误，请检查该文件是否正在使用：", oldPath, why);
    }
  }
}

bool TPlanActions::Updates() {
  State& s = *state_;
  const TInventoryList& updates = s.plan.Updates;
  if (updates.Empty()) return false;
  s.timedLine("被同步文件夹需要更新的文件共" + Count(updates) + "个");
  for (const TFileInfo* e : updates) {
    if (StopSync) return true;
    const std::string dest = s.targetRoot + Rel(e, s.sourceRoot);
    if (s.refused(e, "更新文件错误，请检查该文件是否正在使用：", dest)) continue;
    switch (s.copy(e->Key(), dest, CopyUpdate, s.writtenTarget, AsScanned(s.plan.Counterpart.at(e)))) {
      case Copied::Yes: s.done(&TJobWork::Updated, s.copiedBytes); break;
      case Copied::Failed: s.addError("更新文件错误，请检查该文件是否正在使用：", dest, s.copyFailure); break;
      case Copied::Changed: s.addError(kChangedNotReplaced, dest); break;
      case Copied::Stopped: break;
    }
  }
  return false;
}

bool TPlanActions::NewFolders() {
  State& s = *state_;
  TInventoryList& folders = s.plan.NewFolders;
  if (folders.Empty()) return false;
  s.timedLine("被同步文件夹需要创建的文件夹共" + Count(folders) + "个");
  folders.Sort(s.sourceRoot.size());
  const std::vector<const TFileInfo*> targetOnlyFolders(s.plan.TargetOnlyFolders.begin(),
                                                        s.plan.TargetOnlyFolders.end());
  if (StopSync) return false;
  for (const TFileInfo* e : folders) {
    if (StopSync) return true;
    const std::string folder = s.targetRoot + Rel(e, s.sourceRoot);
    if (s.refused(e, kFolderNotCreated, folder)) continue;
    s.timedLine("创建文件夹" + folder);
    RespellFolder(folder, s.targetRoot.size(), targetOnlyFolders);
    CreateDirChecked(folder);
    s.writtenTarget.Add(folder);
    s.changedTarget.Changed(folder);
    CopyFolderAttributes(e->Key(), folder, s.targetDrive);
    s.done(&TJobWork::FoldersCreated);
  }
  return false;
}

bool TPlanActions::NewFiles() {
  State& s = *state_;
  const TInventoryList& files = s.plan.NewFiles;
  if (files.Empty()) return false;
  s.timedLine("被同步文件夹需要复制的文件共" + Count(files) + "个");
  const std::vector<const TFileInfo*> targetOnlyFiles(s.plan.TargetOnlyFiles.begin(), s.plan.TargetOnlyFiles.end());
  for (const TFileInfo* e : files) {
    if (StopSync) return true;
    const std::string dest = s.targetRoot + Rel(e, s.sourceRoot);
    if (s.refused(e, kCopyFailed, e->Key())) continue;
    const Copied copied =
        TakenByPair(dest, s.targetRoot.size(), s.plan.PairedTarget)
            ? s.nameTaken(dest)
            : s.copy(e->Key(), dest, CopyNew, s.writtenTarget, StillAbsent(dest, s.targetRoot.size(), &targetOnlyFiles, s.targetVersions),
                     true);
    if (copied == Copied::Yes) s.done(&TJobWork::Copied, s.copiedBytes);
    if (copied == Copied::Failed) s.addError("复制文件错误，请检查该文件是否正在使用：", e->Key(), s.copyFailure);
    if (copied == Copied::Changed) s.addError(kChangedNotReplaced, dest);
  }
  return false;
}

bool TPlanActions::NewerInTarget(TNewerInTarget Strategy) {
  State& s = *state_;
  const TInventoryList& newer = s.plan.NewerInTarget;
  if (newer.Empty()) return false;
  s.timedLine("同步文件夹需要更新的文件共" + Count(newer) + "个");
  for (const TFileInfo* e : newer) {
    if (StopSync) return true;
    const std::string P = e->Key();
    const std::string Q = s.sourceRoot + Rel(e, s.targetRoot);
    if (s.refused(e, kCopyFailed, Q)) continue;
    Copied copied = Copied::Yes;
    switch (Strategy) {
      case TNewerInTarget::Replace: copied = s.copy(Q, P, CopyNewSame, s.writtenTarget, AsScanned(e)); break;
      case TNewerInTarget::CopyBack:
        copied = s.copy(P, Q, CopyNewSame, s.writtenSource, AsScanned(s.plan.Counterpart.at(e)));
        break;
      case TNewerInTarget::Keep: continue;
    }
    if (copied == Copied::Yes) s.done(&TJobWork::NewerInTarget, s.copiedBytes);
    if (copied == Copied::Failed) s.addError("复制文件错误，请检查该文件是否正在使用：", Q, s.copyFailure);
    if (copied == Copied::Changed) s.addError(kChangedNotReplaced, Strategy == TNewerInTarget::Replace ? P : Q);
  }
  return false;
}

bool TPlanActions::DeleteTargetOnly(const TInventoryList& Filtered, platform::StampTime ScanStart,
                                    const std::vector<TUnreadFolder>& Unread) {
  State& s = *state_;
  TInventoryList& files = s.plan.TargetOnlyFiles;
  TInventoryList& folders = s.plan.TargetOnlyFolders;
  // The walk lists what a linked folder holds; deleting those entries one
  // by one would reach through the link into whatever it points at.
  // Removing the link takes them out of the folder, and nothing more.
  std::unordered_set<std::string> linkedFolders;
  for (const TFileInfo* e : folders)
    if (platform::isSymbolicLink(e->Key())) linkedFolders.insert(e->Key());
  auto behindLink = [&](const std::string& path) {
    if (linkedFolders.empty()) return false;
    for (std::size_t slash = path.find(PathDelim, s.targetRoot.size()); slash != std::string::npos;
         slash = path.find(PathDelim, slash + 1))
      if (linkedFolders.count(path.substr(0, slash))) return true;
    return false;
  };
  // What this run wrote under another name, or what lies behind a linked
  // folder, stays: left out before counting, so the count line counts the
  // lines that follow it. A folder goes only with what the scan saw in it:
  // what the run leaves in place keeps its folder.
  TScannedFolderRemover remover(Filtered, ScanStart, [&s](const std::string& path) {
    platform::OsStatus why;
    s.discard(path, &why);
    return why;
  });
  for (const TUnreadFolder& folder : Unread) remover.Keep(folder.Path);
  auto keep = [&](TInventoryList& list) {
    TInventoryList kept;
    kept.Reserve(list.Count());
    for (TFileInfo* e : list) {
      const std::string path = e->Key();
      if (s.writtenTarget.Contains(path) || behindLink(path)) {
        remover.Keep(path);
        continue;
      }
      kept.Add(e);
    }
    list = std::move(kept);
  };
  // A file changed since the scan stays, and so does its folder.
  auto changedMeanwhile = [&](const TFileInfo& e, const std::string& path) {
    if (StillAsScanned(e)) return false;
    remover.Keep(path);
    s.addError("该文件在同步期间被改动，未删除，请检查：", path);
    return true;
  };
  keep(files);
  if (!files.Empty()) {
    s.timedLine("被同步文件夹需要删除的文件共" + Count(files) + "个");
    for (const TFileInfo* e : files) {
      if (StopSync) return true;
      const std::string path = e->Key();
      if (changedMeanwhile(*e, path)) continue;
      s.timedLine("被同步文件夹删除文件" + path);
      // Once more right before the step: the line took its time. The old
      // versions look themselves, once their folders are made.
      if (!s.targetVersions && changedMeanwhile(*e, path)) continue;
      s.changedTarget.Changed(path);
      if (platform::OsStatus why; !s.discard(path, &why, e)) {
        if (why.code == ChangedSinceScanError()) {
          remover.Keep(path);
          s.addError("该文件在同步期间被改动，未删除，请检查：", path);
          continue;
        }
        remover.Keep(path, true);
        s.addError("删除文件错误，请检查该文件：", path, why);
      } else {
        s.done(&TJobWork::Deleted);
      }
    }
  }
  keep(folders);
  if (!folders.Empty()) {
    s.timedLine("被同步文件夹需要删除的文件夹共" + Count(folders) + "个");
    folders.Sort(s.targetRoot.size());
    for (std::size_t k = folders.Count(); k-- > 0;) {
      if (StopSync) return true;
      const TFileInfo& entry = *folders.Objects(k);
      // The name is used as it is: on this system blanks at either end are
      // part of a name, and trimming them could name another folder.
      const std::string folder = entry.Key();
      s.timedLine("被同步文件夹删除文件夹" + folder);
      s.changedTarget.Changed(folder);
      platform::OsStatus why;
      switch (remover.Remove(entry, &why)) {
        case TFolderRemoval::Removed: s.done(&TJobWork::FoldersDeleted); break;
        case TFolderRemoval::Held: break;
        case TFolderRemoval::Changed: s.addError("该文件夹在同步期间被改动，未删除，请检查：", folder); break;
        case TFolderRemoval::Failed: s.addError("删除文件夹错误，请检查该文件夹：", folder, why); break;
      }
    }
  }
  return false;
}

bool TPlanActions::CopyBackTargetOnly() {
  State& s = *state_;
  TInventoryList& files = s.plan.TargetOnlyFiles;
  const TInventoryList& folders = s.plan.TargetOnlyFolders;
  if (!folders.Empty()) {
    s.timedLine("同步文件夹需要创建的文件夹共" + Count(folders) + "个");
    for (const TFileInfo* e : folders) {
      if (StopSync) return true;
      const std::string folder = s.sourceRoot + Rel(e, s.targetRoot);
      if (s.refused(e, kFolderNotCreated, folder)) continue;
      s.timedLine("同步文件夹创建文件夹" + folder);
      CreateDirChecked(folder);
      s.writtenSource.Add(folder);
      s.changedSource.Changed(folder);
      s.done(&TJobWork::FoldersCopiedBack);
    }
  }
  {
    // The source's files that this run wrote under another name are not
    // copied back over themselves, and not counted.
    TInventoryList kept;
    kept.Reserve(files.Count());
    for (TFileInfo* e : files)
      if (!s.writtenTarget.Contains(e->Key())) kept.Add(e);
    files = std::move(kept);
  }
  if (files.Empty()) return false;
  s.timedLine("被同步文件夹需要复制的文件共" + Count(files) + "个");
  for (const TFileInfo* e : files) {
    if (StopSync) return true;
    const std::string dest = s.sourceRoot + Rel(e, s.targetRoot);
    if (s.refused(e, kCopyFailed, dest)) continue;
    const Copied copied = TakenByPair(dest, s.sourceRoot.size(), s.plan.PairedSource)
                              ? s.nameTaken(dest)
                              : s.copy(e->Key(), dest, CopyBack, s.writtenSource,
                                       StillAbsent(dest, s.sourceRoot.size(), nullptr, s.sourceVersions), true);
    if (copied == Copied::Yes) s.done(&TJobWork::CopiedBack, s.copiedBytes);
    if (copied == Copied::Failed) s.addError("复制文件错误，请检查该文件是否正在使用：", dest, s.copyFailure);
    if (copied == Copied::Changed) s.addError(kChangedNotReplaced, dest);
  }
  return false;
}

void TPlanActions::Flush() {
  State& s = *state_;
  s.flushed = true;
  // A drive that did not take the data has not been synchronised.
  for (const TFlushFailure& failure : FlushChangedSides({&s.changedTarget, &s.changedSource}))
    s.addError("写入驱动器错误，数据可能没有保存到驱动器：", failure.Root, failure.Status);
}
