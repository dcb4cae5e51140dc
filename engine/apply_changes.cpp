// The second half of a manual job: pair the two sorted inventories into work
// lists, recognise renamed files, then rename, update, create, copy and
// delete on the target side (or copy back, as the strategies say).
#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "engine/file_ops.h"
#include "engine/flush_changes.h"
#include "engine/pThdSync.h"
#include "engine/scanned_state.h"
#include "engine/sync_plan.h"
#include "inventory/MyGetFiles.h"
#include "platform/collate.h"
#include "platform/content_compare.h"
#include "platform/file_ops.h"

namespace {


// Everything this run has written: the files it copied or renamed, the
// folders it created, and every folder on their way down from the root. A
// later step never deletes one of them, and a second copy onto a file that
// this run already wrote is refused: on a drive that ignores letter case two
// different names can be one file.
class WrittenEntries {
 public:
  explicit WrittenEntries(std::string root) : root_(std::move(root)) {}

  // Records path (whose identity is known when given) and its folders.
  void Add(const std::string& path, std::optional<platform::FileIdentity> id = std::nullopt) {
    if (!id) id = platform::fileIdentity(path);
    if (id) ids_.insert(*id);
    std::size_t slash = path.rfind(PathDelim);
    while (slash != std::string::npos && slash > root_.size()) {
      std::string folder = path.substr(0, slash);
      if (!folders_.insert(folder).second) break;  // its own parents are in already
      if (auto folderId = platform::fileIdentity(folder)) ids_.insert(*folderId);
      slash = folder.rfind(PathDelim);
    }
  }
  // Whether the entry at path (not following a final link) is one of them.
  bool Contains(const std::string& path) const {
    if (ids_.empty()) return false;
    auto id = platform::lfileIdentity(path);
    return id && ids_.count(*id) != 0;
  }
  const TFileIdentitySet& Ids() const { return ids_; }
  bool Any() const { return !ids_.empty(); }

 private:
  std::string root_;
  TFileIdentitySet ids_;
  std::unordered_set<std::string> folders_;
};

std::string_view CutRoot(std::string_view path, std::size_t rootLength) {
  return path.substr(std::min(rootLength, path.size()));
}

// The entries of list (in inventory order, keys below a root of rootLength)
// whose relative path equals rel but for letter case: inventory order
// refines the order that ignores case, so they stand together.
template <typename Visit>
bool AnyCaseVariant(const std::vector<const TFileInfo*>& list, std::size_t rootLength, std::string_view rel,
                    Visit visit) {
  auto it = std::partition_point(list.begin(), list.end(), [&](const TFileInfo* p) {
    return platform::compareTextIgnoringCase(p->Relative(rootLength), rel) < 0;
  });
  for (; it != list.end() && platform::compareTextIgnoringCase((*it)->Relative(rootLength), rel) == 0; ++it)
    if (visit(**it)) return true;
  return false;
}

// A folder to create that is there already is, on a drive that ignores
// letter case, a target-only folder of another spelling. It takes the
// source's spelling, so that the next run pairs the two folders instead of
// copying everything in them again. Nothing is lost when that fails.
void RespellFolder(const std::string& folder, std::size_t rootLength,
                   const std::vector<const TFileInfo*>& targetOnlyFolders) {
  if (!platform::isDirectory(folder)) return;
  const auto existing = platform::lfileIdentity(folder);
  AnyCaseVariant(targetOnlyFolders, rootLength, CutRoot(folder, rootLength), [&](const TFileInfo& t) {
    const std::string key = t.Key();
    if (key == folder || platform::lfileIdentity(key) != existing) return false;
    RenameFileOp(key, folder);
    return true;
  });
}

// Whether dest, a name that held nothing at the scan, now leads to a file
// that the plan paired with an entry of another name (paired: in inventory
// order, on dest's side): on a drive that ignores letter case the two names
// are one file, and a copy would silently replace the other entry's file.
bool TakenByPair(const std::string& dest, std::size_t rootLength, const std::vector<const TFileInfo*>& paired) {
  const auto existing = platform::fileIdentity(dest);
  if (!existing) return false;
  return AnyCaseVariant(paired, rootLength, CutRoot(dest, rootLength), [&](const TFileInfo& p) {
    return platform::fileIdentity(p.Key()) == existing;
  });
}

}  // namespace

void ThdSync::ApplyChanges(TInventoryList& SourceList, TInventoryList& TargetList, const TEntryComparer& Comparer,
                           const std::string& SourceRoot, const std::string& TargetRoot) {
  std::vector<std::string> ErrorList;
  WrittenEntries writtenTarget(TargetRoot), writtenSource(SourceRoot);
  TChangedSide changedTarget(TargetRoot), changedSource(SourceRoot);
  // Identity look-ups on FUSE drives read folder listings; a run reads each once.
  const platform::ListingCacheScope listings;

  auto rel = [](const TFileInfo* item, const std::string& root) { return item->Relative(root.size()); };
  auto addError = [&](const char* text, const std::string& path) {
    ErrorList.push_back(std::to_string(ErrorList.size() + 1) + "、" + text + path);
  };
  auto count = [](const TInventoryList& list) { return std::to_string(list.Count()); };
  // One file copy with its progress messages; refuses to overwrite a file
  // this run has already written on that side, and one that confirm (asked
  // before and after the data moves) finds changed since the scan.
  enum class Copied { Yes, Failed, Changed };
  auto copy = [&](const std::string& src, const std::string& dst, TCopyKind kind, WrittenEntries& written,
                  std::function<platform::OsStatus()> confirm) {
    const TCopyResult result =
        CopyFileTracked(NewCopyInfo(src, dst, FWinHandle, kind), written.Ids(), std::move(confirm));
    if (result) {
      written.Add(dst, result.Written);
      (&written == &writtenTarget ? changedTarget : changedSource).Wrote(dst);
      return Copied::Yes;
    }
    return result.Status.code == ChangedSinceScanError() ? Copied::Changed : Copied::Failed;
  };
  auto asScanned = [](const TFileInfo* seen) { return [seen] { return ConfirmAsScanned(*seen); }; };
  // A destination that held nothing at the scan must hold nothing still; on
  // a drive that ignores letter case it may be a target-only file of another
  // spelling, unchanged, which it then replaces.
  auto stillAbsent = [](std::string dest, std::size_t rootLength, const std::vector<const TFileInfo*>* variants) {
    return [dest = std::move(dest), rootLength, variants]() -> platform::OsStatus {
      if (!platform::examineEntry(dest).exists) return {};
      if (variants && AnyCaseVariant(*variants, rootLength, CutRoot(dest, rootLength),
                                     [](const TFileInfo& t) { return StillAsScanned(t); }))
        return {};
      return {ChangedSinceScanError(), "confirm", dest};
    };
  };
  const char* const kChangedNotReplaced = "该文件在同步期间被改动，未覆盖，请检查：";

  const TNewerInTarget newerInTarget = NewerInTargetFrom(settings_.WhenSyncedFolderHasNewSameFile);
  const TTargetOnly targetOnly = TargetOnlyFrom(settings_.WhenSyncedFolderHasNewFile);

  // Runs the phases; returns at the first stop check that finds StopSync set.
  auto phases = [&]() -> bool {
    // 1. Planning.
    std::optional<TSyncPlan> planned = PlanChanges(
        SourceList, TargetList, Comparer, SourceRoot.size(), TargetRoot.size(), unreadRelative_,
        [](const TFileInfo& s, const TFileInfo& t) {
          // Changed since the scan, it is no longer the renamed file: the
          // source's file is copied and this one meets the target-only checks.
          return platform::sameContent(s.Key(), t.Key()) && StillAsScanned(t);
        },
        StopSync);
    if (!planned) return true;
    TSyncPlan& plan = *planned;
    TInventoryList &UpdateList = plan.Updates, &CopyList = plan.NewFiles, &CreateDirList = plan.NewFolders;
    TInventoryList &NewSameList = plan.NewerInTarget, &ExtraFileList = plan.TargetOnlyFiles,
                   &ExtraDirList = plan.TargetOnlyFolders;
    const std::vector<const TFileInfo*>&pairedSource = plan.PairedSource, &pairedTarget = plan.PairedTarget;
    const auto& counterpart = plan.Counterpart;
    for (const TUnreadFolder& folder : unreadFolders_) {
      if (folder.Error == FencedFolderError())
        addError("该文件夹通向另一个同步文件夹，未同步，请检查：", folder.Path);
      else
        addError("读取文件夹错误，请检查该文件夹：", folder.Path);
    }

    // 2. Renames.
    for (const auto& [s, t] : plan.Renames) {
      const std::string oldPath = t->Key();
      const std::string newPath = std::string(t->Path) + std::string(s->Name);
      TimedLine("被同步文件夹修改文件名" + oldPath + "修改为" + newPath);
      // Once more right before the step: the line took its time.
      if (!StillAsScanned(*t)) {
        addError("该文件在同步期间被改动，未修改文件名，请检查：", oldPath);
      } else if (RenameFileOp(oldPath, newPath)) {
        writtenTarget.Add(newPath);
        changedTarget.Changed(oldPath);
        changedTarget.Wrote(newPath);
      } else {
        addError("修改文件名错误，请检查该文件是否正在使用：", oldPath);
      }
    }

    // 3. Updates.
    if (!UpdateList.Empty()) {
      TimedLine("被同步文件夹需要更新的文件共" + count(UpdateList) + "个");
      for (const TFileInfo* e : UpdateList) {
        if (StopSync) return true;
        const std::string dest = TargetRoot + rel(e, SourceRoot);
        switch (copy(e->Key(), dest, CopyUpdate, writtenTarget, asScanned(counterpart.at(e)))) {
          case Copied::Yes: break;
          case Copied::Failed: addError("更新文件错误，请检查该文件是否正在使用：", dest); break;
          case Copied::Changed: addError(kChangedNotReplaced, dest); break;
        }
      }
    }

    // 4. New folders, parents first.
    if (!CreateDirList.Empty()) {
      TimedLine("被同步文件夹需要创建的文件夹共" + count(CreateDirList) + "个");
      CreateDirList.Sort(SourceRoot.size());
      std::vector<const TFileInfo*> targetOnlyFolders(ExtraDirList.begin(), ExtraDirList.end());
      if (!StopSync) {
        for (const TFileInfo* e : CreateDirList) {
          if (StopSync) return true;
          const std::string folder = TargetRoot + rel(e, SourceRoot);
          TimedLine("创建文件夹" + folder);
          RespellFolder(folder, TargetRoot.size(), targetOnlyFolders);
          CreateDirChecked(folder);
          writtenTarget.Add(folder);
          changedTarget.Changed(folder);
          CopyFolderAttributes(e->Key(), folder);
        }
      }
    }

    // 5. New files.
    if (!CopyList.Empty()) {
      TimedLine("被同步文件夹需要复制的文件共" + count(CopyList) + "个");
      const std::vector<const TFileInfo*> targetOnlyFiles(ExtraFileList.begin(), ExtraFileList.end());
      for (const TFileInfo* e : CopyList) {
        if (StopSync) return true;
        const std::string dest = TargetRoot + rel(e, SourceRoot);
        const Copied copied =
            TakenByPair(dest, TargetRoot.size(), pairedTarget)
                ? Copied::Failed
                : copy(e->Key(), dest, CopyNew, writtenTarget, stillAbsent(dest, TargetRoot.size(), &targetOnlyFiles));
        if (copied == Copied::Failed) addError("复制文件错误，请检查该文件是否正在使用：", e->Key());
        if (copied == Copied::Changed) addError(kChangedNotReplaced, dest);
      }
    }

    // 6. Same-named files that are newer in the target.
    if (!NewSameList.Empty()) {
      TimedLine("同步文件夹需要更新的文件共" + count(NewSameList) + "个");
      for (const TFileInfo* e : NewSameList) {
        if (StopSync) return true;
        const std::string P = e->Key();
        const std::string Q = SourceRoot + rel(e, TargetRoot);
        Copied copied = Copied::Yes;
        switch (newerInTarget) {
          case TNewerInTarget::Replace: copied = copy(Q, P, CopyNewSame, writtenTarget, asScanned(e)); break;
          case TNewerInTarget::CopyBack:
            copied = copy(P, Q, CopyNewSame, writtenSource, asScanned(counterpart.at(e)));
            break;
          case TNewerInTarget::Keep: break;
        }
        if (copied == Copied::Failed) addError("复制文件错误，请检查该文件是否正在使用：", Q);
        if (copied == Copied::Changed) addError(kChangedNotReplaced, newerInTarget == TNewerInTarget::Replace ? P : Q);
      }
    }

    // 7. Entries only the target holds.
    if (targetOnly == TTargetOnly::Keep || (targetOnly == TTargetOnly::Delete && sourceHoldsTarget_)) return false;
    if (targetOnly == TTargetOnly::Delete) {
      // The walk lists what a linked folder holds; deleting those entries one
      // by one would reach through the link into whatever it points at.
      // Removing the link takes them out of the folder, and nothing more.
      std::unordered_set<std::string> linkedFolders;
      for (const TFileInfo* e : ExtraDirList)
        if (platform::isSymbolicLink(e->Key())) linkedFolders.insert(e->Key());
      auto behindLink = [&](const std::string& path) {
        if (linkedFolders.empty()) return false;
        for (std::size_t slash = path.find(PathDelim, TargetRoot.size()); slash != std::string::npos;
             slash = path.find(PathDelim, slash + 1))
          if (linkedFolders.count(path.substr(0, slash))) return true;
        return false;
      };
      // What this run wrote under another name, or what lies behind a
      // linked folder, stays: left out before counting, so the count line
      // counts the lines that follow it. A folder goes only with what the
      // scan saw in it: what the run leaves in place keeps its folder.
      TScannedFolderRemover remover(targetFiltered_, scanStamp_);
      for (const TUnreadFolder& folder : unreadFolders_) remover.Keep(folder.Path);
      auto keep = [&](TInventoryList& list) {
        TInventoryList kept;
        kept.Reserve(list.Count());
        for (TFileInfo* e : list) {
          const std::string path = e->Key();
          if (writtenTarget.Contains(path) || behindLink(path)) {
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
        addError("该文件在同步期间被改动，未删除，请检查：", path);
        return true;
      };
      keep(ExtraFileList);
      if (!ExtraFileList.Empty()) {
        TimedLine("被同步文件夹需要删除的文件共" + count(ExtraFileList) + "个");
        for (const TFileInfo* e : ExtraFileList) {
          if (StopSync) return true;
          const std::string path = e->Key();
          if (changedMeanwhile(*e, path)) continue;
          TimedLine("被同步文件夹删除文件" + path);
          // Once more right before the step: the line took its time.
          if (changedMeanwhile(*e, path)) continue;
          changedTarget.Changed(path);
          if (!DeleteFileForced(path)) {
            remover.Keep(path, true);
            addError("删除文件错误，请检查该文件：", path);
          }
        }
      }
      keep(ExtraDirList);
      if (!ExtraDirList.Empty()) {
        TimedLine("被同步文件夹需要删除的文件夹共" + count(ExtraDirList) + "个");
        ExtraDirList.Sort(TargetRoot.size());
        for (std::size_t k = ExtraDirList.Count(); k-- > 0;) {
          if (StopSync) return true;
          const TFileInfo& entry = *ExtraDirList.Objects(k);
          // The name is used as it is: on this system blanks at either end
          // are part of a name, and trimming them could name another folder.
          const std::string folder = entry.Key();
          TimedLine("被同步文件夹删除文件夹" + folder);
          changedTarget.Changed(folder);
          switch (remover.Remove(entry)) {
            case TFolderRemoval::Removed:
            case TFolderRemoval::Held: break;
            case TFolderRemoval::Changed: addError("该文件夹在同步期间被改动，未删除，请检查：", folder); break;
            case TFolderRemoval::Failed: addError("删除文件夹错误，请检查该文件夹：", folder); break;
          }
        }
      }
    } else {
      if (!ExtraDirList.Empty()) {
        TimedLine("同步文件夹需要创建的文件夹共" + count(ExtraDirList) + "个");
        for (const TFileInfo* e : ExtraDirList) {
          if (StopSync) return true;
          const std::string folder = SourceRoot + rel(e, TargetRoot);
          TimedLine("同步文件夹创建文件夹" + folder);
          CreateDirChecked(folder);
          writtenSource.Add(folder);
          changedSource.Changed(folder);
        }
      }
      {
        // The source's files that this run wrote under another name are not
        // copied back over themselves, and not counted.
        TInventoryList kept;
        kept.Reserve(ExtraFileList.Count());
        for (TFileInfo* e : ExtraFileList)
          if (!writtenTarget.Contains(e->Key())) kept.Add(e);
        ExtraFileList = std::move(kept);
      }
      if (!ExtraFileList.Empty()) {
        TimedLine("被同步文件夹需要复制的文件共" + count(ExtraFileList) + "个");
        for (const TFileInfo* e : ExtraFileList) {
          if (StopSync) return true;
          const std::string dest = SourceRoot + rel(e, TargetRoot);
          const Copied copied = TakenByPair(dest, SourceRoot.size(), pairedSource)
                                    ? Copied::Failed
                                    : copy(e->Key(), dest, CopyBack, writtenSource,
                                           stillAbsent(dest, SourceRoot.size(), nullptr));
          if (copied == Copied::Failed) addError("复制文件错误，请检查该文件是否正在使用：", dest);
          if (copied == Copied::Changed) addError(kChangedNotReplaced, dest);
        }
      }
    }
    return false;
  };

  // The flush runs on every way out, a failed folder creation included, so
  // whatever was written is on the drive when the job's last line shows.
  struct Flush {
    const TChangedSide& target;
    const TChangedSide& source;
    bool done = false;
    std::vector<TFlushFailure> Run() {
      done = true;
      return FlushChangedSides({&target, &source});
    }
    ~Flush() {
      if (!done) Run();
    }
  } flush{changedTarget, changedSource};
  const bool stopped = phases();
  // A drive that did not take the data has not been synchronised.
  for (const TFlushFailure& failure : flush.Run())
    addError("写入驱动器错误，数据可能没有保存到驱动器：", failure.Root + " (" + failure.Status.code.message() + ")");

  // A copy cancelled by the stop counts as failed; with no stop check after
  // it (the last item) it would otherwise be reported.
  if (stopped || StopSync) return;

  // 8. Error summary, 9. closing line.
  if (!ErrorList.empty()) {
    LogLine("同步出错，请检查");
    std::string block;
    for (const std::string& line : ErrorList) block.append(line).append("\r\n");
    LogLine(block);
  }
  if (!StopSync) TimedLine("手动同步结束，用时" + std::to_string(ElapsedSeconds()) + "秒");
}
