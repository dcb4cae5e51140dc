// The preview button: the automatic sync planned and shown in the log pane,
// nothing changed; then, if it found work, the question whether to start
// the sync it showed, as the Qt window asks it.
#include "ui/win32/sync_form.h"

#include "platform/wide_text.h"
#include "ui/window_questions.h"
#include "ui/win32/form_layout.h"

using namespace win32ui;

void TSyncForm::BtnPreviewClick() {
  syncButtonClick(id::BtnPreview, WindowControl::BtnPreview, TSyncType::AutoSync, true);
}

void TSyncForm::previewEnded() {
  const std::shared_ptr<TJobReport> preview = std::move(endedPreview_);
  if (!preview) return;
  const auto offer = PreviewOffer(preview->Outcome(), text(id::Edit1));
  if (!offer) return;
  const bool yes = onAskPreview ? onAskPreview(kPreviewQuestionCaption, offer->Text)
                                : MessageBoxW(window_.get(), platform::toWide(offer->Text).c_str(),
                                              platform::toWide(kPreviewQuestionCaption).c_str(),
                                              MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
  if (!yes) return;
  previewedDiskIsSource_ = offer->DiskIsSource;
  startPreviewedSync();
}

// The sync in the direction the preview took, so that a file changed since
// cannot turn the sync round; started once the preview's job is gone.
void TSyncForm::startPreviewedSync() {
  if (SyncRunning) {
    SetTimer(window_.get(), kPreviewedSyncTimer, 10, nullptr);
    return;
  }
  KillTimer(window_.get(), kPreviewedSyncTimer);
  if (previewedDiskIsSource_)
    BtnSyncDiskToUClick();
  else
    BtnSyncUToDiskClick();
}
