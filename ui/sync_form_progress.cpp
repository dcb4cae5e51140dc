// The whole job's progress beside the sync buttons and in the tray icon's
// tool tip: what the job has settled of its plan, the speed, the time left.

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTimer>

#include "ui/memo_log_lines.h"
#include "ui/pSync.h"

void TSyncForm::buildProgress() {
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(MemoLogLines::kPaintInterval);
  connect(progressTimer_, &QTimer::timeout, this, &TSyncForm::refreshProgress);
}

void TSyncForm::progressMessage(platform::UINT msg, platform::WPARAM wParam) {
  switch (progress_.Message(msg, wParam, lastJob_.get(), std::chrono::steady_clock::now())) {
    case JobProgressDisplay::Change::Began:
      // The options take effect with the next job: while one runs they are
      // not to be changed, also where the page is open already (a job
      // started from the tray).
      GroupBox1->setEnabled(false);
      GroupBoxSafety->setEnabled(false);
      ProgressJob->show();
      LabelProgress->show();
      refreshProgress();
      progressTimer_->start();
      break;
    case JobProgressDisplay::Change::Ended:
      progressTimer_->stop();
      ProgressJob->reset();
      ProgressJob->hide();
      LabelProgress->clear();
      LabelProgress->hide();
      TrayIcon1->setToolTip(QString::fromUtf8(JobProgressDisplay::kTrayTip));
      GroupBox1->setEnabled(true);
      GroupBoxSafety->setEnabled(true);
      break;
    case JobProgressDisplay::Change::None:
      break;
  }
}

void TSyncForm::refreshProgress() {
  const JobProgressDisplay::Shown shown = progress_.Read(lastJob_.get(), std::chrono::steady_clock::now());
  if (!shown.Active) return;
  if (ProgressJob->value() != shown.Permille) {
    // The bar would paint itself at once, apart from the frame in which the
    // pane and the label are painted.
    ProgressJob->setUpdatesEnabled(false);
    ProgressJob->setValue(shown.Permille);
    ProgressJob->setUpdatesEnabled(true);
  }
  const QString text = QString::fromStdString(shown.Label);
  if (LabelProgress->text() != text) LabelProgress->setText(text);
  if (shown.TipDue) {
    const QString tip = QString::fromStdString(shown.Tip);
    if (TrayIcon1->toolTip() != tip) TrayIcon1->setToolTip(tip);
  }
}
