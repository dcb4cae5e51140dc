// The preview button: the automatic sync planned and shown in the log pane,
// nothing changed; then, if it found work, the question whether to start
// the sync it showed.
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/pSync.h"
#include "ui/preview_question.h"
#include "ui/window_questions.h"

void TSyncForm::BtnPreviewClick() {
  const auto before = lastJob_;
  syncButtonClick(*BtnPreview, WindowControl::BtnPreview, TSyncType::AutoSync, true);
  if (lastJob_ != before) previewJob_ = lastJob_;
}

void TSyncForm::previewEnded(const std::shared_ptr<TJobReport>& preview) {
  const auto offer = PreviewOffer(preview->Outcome(), Edit1->text().toStdString());
  if (!offer) return;
  if (!ui::previewQuestion(this, QString::fromUtf8(kPreviewQuestionCaption), QString::fromStdString(offer->Text)))
    return;
  startPreviewedSync(offer->DiskIsSource);
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
