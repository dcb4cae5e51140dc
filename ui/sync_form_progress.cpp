// The whole job's progress beside the sync buttons and in the tray icon's
// tool tip: what the job has settled of its plan, the speed, the time left.

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTimer>

#include "ui/memo_log_lines.h"
#include "ui/pSync.h"

namespace {

const QString kTrayTip = QStringLiteral("CorvelDrovan");
// The tool tip goes through the desktop's tray service; once a second is
// enough for it.
constexpr std::chrono::seconds kTipInterval{1};

}  // namespace

void TSyncForm::buildProgress() {
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(MemoLogLines::kPaintInterval);
  connect(progressTimer_, &QTimer::timeout, this, &TSyncForm::refreshProgress);
}

void TSyncForm::progressMessage(platform::UINT msg, platform::WPARAM wParam) {
  const auto now = std::chrono::steady_clock::now();
  switch (msg) {
    case WM_SYNCBEGIN:
      progressView_.Start(now);
      // The options take effect with the next job: while one runs they are
      // not to be changed, also where the page is open already (a job
      // started from the tray).
      GroupBox1->setEnabled(false);
      GroupBoxSafety->setEnabled(false);
      tipShownAt_ = {};
      ProgressJob->show();
      LabelProgress->show();
      refreshProgress();
      progressTimer_->start();
      break;
    case WM_COPYSTART:
      if (lastJob_) progressView_.CopyStarted(lastJob_->Progress());
      break;
    case WM_COPYPROGRESS:
      if (wParam != 0) progressView_.CopyProgress(copyInfoFromParam(wParam).CopiedSize);
      break;
    case WM_SYNCEND:
    case WM_AUTOSYNCSTOPPED:
      progressView_.Stop();
      progressTimer_->stop();
      ProgressJob->reset();
      ProgressJob->hide();
      LabelProgress->clear();
      LabelProgress->hide();
      TrayIcon1->setToolTip(kTrayTip);
      GroupBox1->setEnabled(true);
      GroupBoxSafety->setEnabled(true);
      break;
    default:
      break;
  }
}

void TSyncForm::refreshProgress() {
  const auto now = std::chrono::steady_clock::now();
  const TProgressFigures figures = progressView_.Update(lastJob_ ? lastJob_->Progress() : TJobProgress{}, now);
  if (!figures.Active) return;
  if (ProgressJob->value() != figures.Permille) {
    // The bar would paint itself at once, apart from the frame in which the
    // pane and the label are painted.
    ProgressJob->setUpdatesEnabled(false);
    ProgressJob->setValue(figures.Permille);
    ProgressJob->setUpdatesEnabled(true);
  }
  const QString count = QString::fromStdString(ProgressCountText(figures));
  const QString speed = QString::fromStdString(ProgressSpeedText(figures));
  const QString text = speed.isEmpty() ? count : count + QLatin1Char('\n') + speed;
  if (LabelProgress->text() != text) LabelProgress->setText(text);
  if (now - tipShownAt_ >= kTipInterval) {
    tipShownAt_ = now;
    const QString tip = kTrayTip + QLatin1Char('\n') + text;
    if (TrayIcon1->toolTip() != tip) TrayIcon1->setToolTip(tip);
  }
}
