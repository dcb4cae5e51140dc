#include "engine/big_change.h"

TLossCounts LossOf(const TSyncPlan& Plan, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly) {
  TLossCounts loss;
  loss.Updated = static_cast<std::int64_t>(Plan.Updates.Count());
  const auto newer = static_cast<std::int64_t>(Plan.NewerInTarget.Count());
  if (NewerInTarget == TNewerInTarget::Replace) loss.NewerReplaced = newer;
  if (NewerInTarget == TNewerInTarget::CopyBack) loss.CopiedBackOver = newer;
  // Target-only files list those inside target-only folders too.
  if (TargetOnly == TTargetOnly::Delete) loss.Deleted = FileCount(Plan.TargetOnlyFiles);
  return loss;
}

std::int64_t FileCount(const TInventoryList& List) {
  std::int64_t files = 0;
  for (std::size_t i = 0; i < List.Count(); ++i)
    if (!List.Objects(i)->Falg) ++files;
  return files;
}

TBigChange JudgeChange(const TLossCounts& Loss, std::int64_t SourceFiles, std::int64_t TargetFiles,
                       std::int32_t ConfirmFiles, const TDecidingFile& Decision) {
  TBigChange c;
  c.Loss = Loss;
  c.SourceFiles = SourceFiles;
  c.TargetFiles = TargetFiles;
  if (ConfirmFiles <= 0 || Loss.Total() == 0) return c;
  // More than half: twice the count above the side's files.
  const bool halfSide = Loss.InTarget() * 2 > TargetFiles || Loss.InSource() * 2 > SourceFiles;
  c.ManyFiles = Loss.Total() >= ConfirmFiles && halfSide;
  c.EmptySource = SourceFiles == 0 && TargetFiles > 0;
  c.FutureTime = Decision.Decided && Decision.InFuture;
  if (c.FutureTime) c.DecidingFile = Decision.Relative;
  return c;
}

std::vector<std::string> BigChangeLines(const TBigChange& c) {
  std::vector<std::string> lines;
  lines.push_back("同步源：" + c.SourceRoot);
  lines.push_back("同步目标：" + c.TargetRoot);
  auto count = [&](std::int64_t n, const char* what) {
    if (n != 0) lines.push_back(std::string(what) + std::to_string(n) + "个文件");
  };
  count(c.Loss.Deleted, "删除目标文件夹独有的文件：");
  count(c.Loss.Updated, "以同步源的较新文件覆盖目标文件夹的文件：");
  count(c.Loss.NewerReplaced, "以同步源的文件覆盖目标文件夹中较新的同名文件：");
  count(c.Loss.CopiedBackOver, "以目标文件夹中较新的同名文件覆盖同步源的文件：");
  if (c.ManyFiles)
    lines.push_back("将删除或覆盖目标文件夹" + std::to_string(c.TargetFiles) + "个文件中的" +
                    std::to_string(c.Loss.InTarget()) + "个，同步源" + std::to_string(c.SourceFiles) +
                    "个文件中的" + std::to_string(c.Loss.InSource()) + "个");
  if (c.EmptySource)
    lines.push_back("同步源中没有文件，目标文件夹中有" + std::to_string(c.TargetFiles) + "个文件");
  if (c.FutureTime) lines.push_back("决定同步源的文件时间比现在晚一天以上：" + c.DecidingFile);
  return lines;
}
