// The preview button: the automatic sync planned and shown in the log pane,
// nothing changed; then, if it found work, the question whether to start
// the sync it showed.
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "inventory/file_info.h"
#include "ui/pSync.h"
#include "ui/preview_question.h"

namespace {

// A folder as the job names its root: with exactly one trailing delimiter.
std::string asRoot(std::string path) {
  while (!path.empty() && path.back() == PathDelim) path.pop_back();
  return path + PathDelim;
}

// The steps of the plan, one kind a line, the kinds it has.
QString plannedSteps(const TJobWork& w) {
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
  QString text;
  for (const auto& [count, kind] : kinds)
    if (count > 0) text += QStringLiteral("\n%1：%2个").arg(QString::fromUtf8(kind)).arg(count);
  return text;
}

}  // namespace

void TSyncForm::BtnPreviewClick() {
  const auto before = lastJob_;
  syncButtonClick(*BtnPreview, WindowControl::BtnPreview, TSyncType::AutoSync, true);
  if (lastJob_ != before) previewJob_ = lastJob_;
}

void TSyncForm::previewEnded(const std::shared_ptr<TJobReport>& preview) {
  const TJobOutcome outcome = preview->Outcome();
  if (outcome.End != TJobEnd::Previewed || outcome.Planned.Items() == 0) return;
  const bool diskIsSource = outcome.SourceRoot == asRoot(Edit1->text().toStdString());
  const QString direction = diskIsSource ? QStringLiteral("以硬盘监测文件夹为同步源更新U盘监测文件夹")
                                         : QStringLiteral("以U盘监测文件夹为同步源更新硬盘监测文件夹");
  const QString text = QStringLiteral("按预览开始同步？\n\n") + direction + QStringLiteral("：\n") +
                       QString::fromStdString(outcome.SourceRoot) + QStringLiteral(" → ") +
                       QString::fromStdString(outcome.TargetRoot) + QLatin1Char('\n') +
                       plannedSteps(outcome.Planned);
  if (!ui::previewQuestion(this, QStringLiteral("CorvelDrovan"), text)) return;
  startPreviewedSync(diskIsSource);
}

// The sync in the direction the preview took, so that a file changed since
// cannot turn the sync round; started once the preview's job is gone.
void TSyncForm::startPreviewedSync(bool diskIsSource) {
  if (SyncRunning) {
    QTimer::singleShot(10, this, [this, diskIsSource] { startPreviewedSync(diskIsSource); });
    return;
  }
  if (diskIsSource)
    BtnSyncDiskToUClick();
  else
    BtnSyncUToDiskClick();
}
