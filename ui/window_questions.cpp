#include "ui/window_questions.h"

#include <cstdint>
#include <utility>

#include "inventory/file_info.h"

namespace {

// A folder as the job names its root: with exactly one trailing delimiter.
std::string asRoot(std::string path) {
  while (!path.empty() && path.back() == PathDelim) path.pop_back();
  return path + PathDelim;
}

// The steps of the plan, one kind a line, the kinds it has.
std::string plannedSteps(const TJobWork& w) {
  const std::pair<std::int64_t, const char*> kinds[] = {
      {w.Renamed, "修改文件名"},
      {w.Updated, "更新文件"},
      {w.FoldersCreated, "创建文件夹"},
      {w.Copied, "复制文件"},
      {w.NewerInTarget, "同名较新文件"},
      {w.Deleted, "删除文件"},
      {w.FoldersDeleted, "删除文件夹"},
      {w.FoldersCopiedBack, "同步文件夹创建文件夹"},
      {w.CopiedBack, "复制回同步文件夹的文件"},
  };
  std::string text;
  for (const auto& [count, kind] : kinds)
    if (count > 0) text += "\n" + std::string(kind) + "：" + std::to_string(count) + "个";
  return text;
}

}  // namespace

std::optional<TPreviewOffer> PreviewOffer(const TJobOutcome& outcome, const std::string& diskFolder) {
  if (outcome.End != TJobEnd::Previewed || outcome.Planned.Items() == 0) return std::nullopt;
  TPreviewOffer offer;
  offer.DiskIsSource = outcome.SourceRoot == asRoot(diskFolder);
  const char* direction = offer.DiskIsSource ? "以硬盘监测文件夹为同步源更新U盘监测文件夹"
                                             : "以U盘监测文件夹为同步源更新硬盘监测文件夹";
  offer.Text = std::string("按预览开始同步？\n\n") + direction + "：\n" + outcome.SourceRoot + " → " +
               outcome.TargetRoot + "\n" + plannedSteps(outcome.Planned);
  return offer;
}

std::string BigChangeQuestionText(const TBigChange& change) {
  std::string text = "这次同步将删除或覆盖大量文件：\n\n";
  for (const std::string& line : BigChangeLines(change)) text += line + "\n";
  text += "\n是否继续同步？";
  return text;
}
