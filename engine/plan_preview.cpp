#include "engine/plan_preview.h"

#include <optional>
#include <unordered_set>

#include "engine/case_variants.h"
#include "engine/failure_reason.h"
#include "inventory/MyGetFiles.h"

namespace {

const char* const kCopyFailed = "复制文件错误，请检查该文件是否正在使用：";
const char* const kFolderNotCreated = "创建文件夹错误，请检查该文件夹：";

class Preview {
 public:
  Preview(const TSyncPlan& plan, const TPreviewSettings& settings, const TPreviewProbes& probes)
      : plan_(plan), s_(settings), probes_(probes) {}

  std::vector<std::string> lines() {
    if (s_.Check)
      if (const std::string shortage = ShortageLine(*s_.Check); !shortage.empty()) {
        timed(shortage);
        return std::move(lines_);
      }
    for (const TUnreadFolder& folder : s_.Unread) {
      if (folder.Error == FencedFolderError())
        error("该文件夹通向另一个同步文件夹，未同步，请检查：", folder.Path);
      else
        error("读取文件夹错误，请检查该文件夹：", folder.Path, {folder.Error, "open", folder.Path});
    }
    renames();
    updates();
    newFolders();
    newFiles();
    newerInTarget();
    switch (s_.TargetOnly) {
      case TTargetOnly::Keep: break;
      case TTargetOnly::Delete: deleteTargetOnly(); break;
      case TTargetOnly::CopyBack: copyBackTargetOnly(); break;
    }
    if (!errors_.empty()) {
      plain("同步出错，请检查");
      for (const std::string& e : errors_) plain(e);
    }
    return std::move(lines_);
  }

 private:
  // The run's kinds of line: after the time and two blanks, straight after
  // the time (a copy back), and without a time (the error summary).
  void timed(const std::string& text) { lines_.push_back(s_.Stamp + "  " + kPreviewMark + text); }
  void copyBack(const std::string& text) { lines_.push_back(s_.Stamp + kPreviewMark + text); }
  void plain(const std::string& text) { lines_.push_back(kPreviewMark + text); }
  void error(const char* text, const std::string& path, const platform::OsStatus& why = {}) {
    errors_.push_back(std::to_string(errors_.size() + 1) + "、" + text + path + FailureReason(why));
  }

  // A step the check refused, as the run reports it.
  bool refused(const TFileInfo* entry, const char* text, const std::string& path) {
    const TRefused* refusal = s_.Check ? s_.Check->RefusalOf(entry) : nullptr;
    if (!refusal) return false;
    errors_.push_back(std::to_string(errors_.size() + 1) + "、" + text + path + refusal->Reason);
    return true;
  }

  std::string key(const std::string& path) const { return probes_.EntryKey ? probes_.EntryKey(path) : path; }
  std::string rel(const TFileInfo* e, const std::string& root) const { return e->Relative(root.size()); }
  static std::string count(const TInventoryList& list) { return std::to_string(list.Count()); }

  // What the run records as written on the target: the path and every
  // folder on its way down from the root.
  void wroteTarget(const std::string& path) {
    writtenTarget_.insert(path);
    for (std::size_t slash = path.rfind(PathDelim); slash != std::string::npos && slash > s_.TargetRoot.size();
         slash = path.rfind(PathDelim, slash - 1)) {
      if (!writtenTarget_.insert(path.substr(0, slash)).second) break;  // its own folders are in already
    }
  }
  // Asked only once every write to the target is known.
  bool writtenByRun(const std::string& path) {
    if (writtenTarget_.empty()) return false;
    if (!writtenKeys_) {
      writtenKeys_.emplace();
      for (const std::string& p : writtenTarget_) writtenKeys_->insert(key(p));
    }
    return writtenKeys_->count(key(path)) != 0;
  }
  // A copy's destination that is already the file of a pair by another
  // spelling is refused.
  bool takenByPair(const std::string& dest, std::size_t rootLength, const std::vector<const TFileInfo*>& paired) {
    const std::string destKey = key(dest);
    return AnyCaseVariant(paired, rootLength, CutRoot(dest, rootLength),
                          [&](const TFileInfo& p) { return key(p.Key()) == destKey; });
  }
  void refusedCopy(const std::string& shown, const std::string& dest) {
    error("复制文件错误，请检查该文件是否正在使用：", shown, platform::OsStatus::fromErrno(EEXIST, "copy", dest));
  }
  // A copy to a name that held nothing at the scan finds something there
  // (a link that leads nowhere, a pipe, another spelling): the run takes it
  // for a change made meanwhile and leaves it.
  bool occupied(const std::string& dest) const { return probes_.Exists && probes_.Exists(dest); }
  void notReplaced(const std::string& dest) { error("该文件在同步期间被改动，未覆盖，请检查：", dest); }

  void renames() {
    for (const TFolderRespell& respell : plan_.FolderRespells)
      timed("被同步文件夹修改文件夹名" + respell.From + "修改为" + respell.To);
    for (const auto& [source, target] : plan_.Renames) {
      const std::string newPath = std::string(target->Path) + std::string(source->Name);
      if (refused(source, "修改文件名错误，请检查该文件是否正在使用：", target->Key())) continue;
      timed("被同步文件夹修改文件名" + target->Key() + "修改为" + newPath);
      wroteTarget(newPath);
    }
  }

  void updates() {
    if (plan_.Updates.Empty()) return;
    timed("被同步文件夹需要更新的文件共" + count(plan_.Updates) + "个");
    for (const TFileInfo* e : plan_.Updates) {
      const std::string dest = s_.TargetRoot + rel(e, s_.SourceRoot);
      if (refused(e, "更新文件错误，请检查该文件是否正在使用：", dest)) continue;
      timed("更新文件" + e->Key() + "到" + dest);
      wroteTarget(dest);
    }
  }

  void newFolders() {
    if (plan_.NewFolders.Empty()) return;
    timed("被同步文件夹需要创建的文件夹共" + count(plan_.NewFolders) + "个");
    TInventoryList folders = plan_.NewFolders;
    folders.Sort(s_.SourceRoot.size());
    for (const TFileInfo* e : folders) {
      const std::string folder = s_.TargetRoot + rel(e, s_.SourceRoot);
      if (refused(e, kFolderNotCreated, folder)) continue;
      timed("创建文件夹" + folder);
      wroteTarget(folder);
    }
  }

  void newFiles() {
    if (plan_.NewFiles.Empty()) return;
    timed("被同步文件夹需要复制的文件共" + count(plan_.NewFiles) + "个");
    const std::vector<const TFileInfo*> targetOnlyFiles(plan_.TargetOnlyFiles.begin(), plan_.TargetOnlyFiles.end());
    for (const TFileInfo* e : plan_.NewFiles) {
      const std::string dest = s_.TargetRoot + rel(e, s_.SourceRoot);
      if (refused(e, kCopyFailed, e->Key())) continue;
      if (takenByPair(dest, s_.TargetRoot.size(), plan_.PairedTarget)) {
        refusedCopy(e->Key(), dest);
        continue;
      }
      // A target-only file of another spelling is replaced.
      if (occupied(dest) && !AnyCaseVariant(targetOnlyFiles, s_.TargetRoot.size(), CutRoot(dest, s_.TargetRoot.size()),
                                            [](const TFileInfo&) { return true; })) {
        notReplaced(dest);
        continue;
      }
      timed("复制文件" + e->Key() + "到" + dest);
      wroteTarget(dest);
    }
  }

  void newerInTarget() {
    if (plan_.NewerInTarget.Empty()) return;
    timed("同步文件夹需要更新的文件共" + count(plan_.NewerInTarget) + "个");
    for (const TFileInfo* e : plan_.NewerInTarget) {
      const std::string P = e->Key();
      const std::string Q = s_.SourceRoot + rel(e, s_.TargetRoot);
      if (s_.NewerInTarget != TNewerInTarget::Keep && refused(e, kCopyFailed, Q)) continue;
      switch (s_.NewerInTarget) {
        case TNewerInTarget::Replace:
          timed("更新文件" + Q + "到" + P);
          wroteTarget(P);
          break;
        case TNewerInTarget::CopyBack: timed("更新文件" + P + "到" + Q); break;
        case TNewerInTarget::Keep: break;
      }
    }
  }

  void deleteTargetOnly() {
    std::unordered_set<std::string> linkedFolders;
    if (probes_.IsLinkedFolder)
      for (const TFileInfo* e : plan_.TargetOnlyFolders)
        if (probes_.IsLinkedFolder(e->Key())) linkedFolders.insert(e->Key());
    auto behindLink = [&](const std::string& path) {
      if (linkedFolders.empty()) return false;
      for (std::size_t slash = path.find(PathDelim, s_.TargetRoot.size()); slash != std::string::npos;
           slash = path.find(PathDelim, slash + 1))
        if (linkedFolders.count(path.substr(0, slash))) return true;
      return false;
    };
    auto kept = [&](const TInventoryList& list) {
      TInventoryList out;
      for (TFileInfo* e : list) {
        const std::string path = e->Key();
        if (!writtenByRun(path) && !behindLink(path)) out.Add(e);
      }
      return out;
    };
    const TInventoryList files = kept(plan_.TargetOnlyFiles);
    if (!files.Empty()) {
      timed("被同步文件夹需要删除的文件共" + count(files) + "个");
      for (const TFileInfo* e : files) timed("被同步文件夹删除文件" + e->Key());
    }
    TInventoryList folders = kept(plan_.TargetOnlyFolders);
    if (!folders.Empty()) {
      timed("被同步文件夹需要删除的文件夹共" + count(folders) + "个");
      folders.Sort(s_.TargetRoot.size());
      for (std::size_t k = folders.Count(); k-- > 0;) timed("被同步文件夹删除文件夹" + folders.Objects(k)->Key());
    }
  }

  void copyBackTargetOnly() {
    const TInventoryList& folders = plan_.TargetOnlyFolders;
    if (!folders.Empty()) {
      timed("同步文件夹需要创建的文件夹共" + count(folders) + "个");
      for (const TFileInfo* e : folders) {
        const std::string folder = s_.SourceRoot + rel(e, s_.TargetRoot);
        if (!refused(e, kFolderNotCreated, folder)) timed("同步文件夹创建文件夹" + folder);
      }
    }
    TInventoryList files;
    for (TFileInfo* e : plan_.TargetOnlyFiles)
      if (!writtenByRun(e->Key())) files.Add(e);
    if (files.Empty()) return;
    timed("被同步文件夹需要复制的文件共" + count(files) + "个");
    for (const TFileInfo* e : files) {
      const std::string dest = s_.SourceRoot + rel(e, s_.TargetRoot);
      if (refused(e, kCopyFailed, dest)) continue;
      if (takenByPair(dest, s_.SourceRoot.size(), plan_.PairedSource)) {
        refusedCopy(dest, dest);
        continue;
      }
      if (occupied(dest)) {
        notReplaced(dest);
        continue;
      }
      copyBack("复制文件" + e->Key() + "到" + dest);
    }
  }

  const TSyncPlan& plan_;
  const TPreviewSettings& s_;
  const TPreviewProbes& probes_;
  std::vector<std::string> lines_;
  std::vector<std::string> errors_;
  std::unordered_set<std::string> writtenTarget_;
  // The keys of writtenTarget_, worked out once it is complete.
  std::optional<std::unordered_set<std::string>> writtenKeys_;
};

}  // namespace

std::vector<std::string> PreviewLines(const TSyncPlan& Plan, const TPreviewSettings& Settings,
                                      const TPreviewProbes& Probes) {
  return Preview(Plan, Settings, Probes).lines();
}

std::string WithoutPreviewMark(const std::string& line) {
  const std::string_view mark(kPreviewMark);
  const std::size_t at = line.find(mark);
  if (at == std::string::npos) return line;
  return line.substr(0, at) + line.substr(at + mark.size());
}
