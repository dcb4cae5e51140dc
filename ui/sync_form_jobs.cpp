// The window's job control, log pane menu, tray menu, minimising and close.

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSystemTrayIcon>

#include "config/pOstSync.h"
#include "engine/job_folder_locks.h"
#include "engine/pThdSync.h"
#include "platform/exceptions.h"
#include "ui/dialogs.h"
#include "ui/folder_checks.h"
#include "ui/memo_log_lines.h"
#include "ui/pSync.h"

namespace {

// The text without leading and trailing blanks and control characters.
QString trimmedBlanks(const QString& text) {
  qsizetype begin = 0, end = text.size();
  while (begin < end && text.at(begin).unicode() <= 0x20) ++begin;
  while (end > begin && text.at(end - 1).unicode() <= 0x20) --end;
  return text.mid(begin, end - begin);
}

}  // namespace

void TSyncForm::CheckSyncFolders() const {
  if (trimmedBlanks(Edit1->text()).isEmpty() || trimmedBlanks(Edit3->text()).isEmpty())
    throw Exception("请设置好同步文件夹");
}

void TSyncForm::syncButtonClick(QPushButton& button, WindowControl control, TSyncType kind, bool dryRun) {
  if (button.text() == QStringLiteral("停止")) {
    if (std::chrono::steady_clock::now() - jobStartedAt_ < kStopGuard) return;
    StopSync = true;
    return;
  }
  // A job object exists already (its start is still on its way to the
  // window): a second job on the same folders must never run beside it.
  if (SyncRunning) return;
  try {
    CheckSyncFolders();
  } catch (const Exception& e) {
    showError(e.what());
    return;
  }
  TJobSettings settings = JobSettingsFrom(*SyncAction);
  // A job elsewhere (another window, the command line) on either folder:
  // nothing starts.
  TJobFolderLocks locks;
  try {
    locks = LockJobFolders(settings);
  } catch (const std::exception& e) {
    showError(e.what());
    return;
  }
  StopSync = false;
  renderer_->setClickBtn(control);
  try {
    // The job owns itself once started; until then the pointer releases it.
    std::unique_ptr<ThdSync, void (*)(ThdSync*)> job(new ThdSync(true, std::move(settings)),
                                                     &ThdSync::Discard);
    job->SetWinHandle(Handle());
    job->HoldFolderLocks(std::move(locks));
    auto report = std::make_shared<TJobReport>();
    job->SetReport(report);
    job->SyncType = kind;
    job->DryRun = dryRun;
    // Asked on the GUI thread; a window gone meanwhile answers no.
    job->SetConfirm([handle = Handle()](const TBigChange& change) {
      return platform::SendMessage(handle, WM_CONFIRMBIGCHANGE, bigChangeParam(change), 0) == 1;
    });
    jobStartedAt_ = std::chrono::steady_clock::now();
    job->Start();
    job.release();
    lastJob_ = std::move(report);
  } catch (const std::exception& e) {
    // No thread could be made (or no memory): nothing may leave a handler.
    showError(std::string("无法开始同步：") + e.what());
  }
}

void TSyncForm::BtnSyncClick() { syncButtonClick(*BtnSync, WindowControl::BtnSync, TSyncType::AutoSync); }

void TSyncForm::BtnSyncDiskToUClick() {
  syncButtonClick(*BtnSyncDiskToU, WindowControl::BtnSyncDiskToU, TSyncType::DiskSync);
}

void TSyncForm::BtnSyncUToDiskClick() {
  syncButtonClick(*BtnSyncUToDisk, WindowControl::BtnSyncUToDisk, TSyncType::USync);
}

void TSyncForm::N6Click() { QGuiApplication::clipboard()->setText(Memo2->toPlainText()); }

void TSyncForm::N7Click() { log_->clear(); }

void TSyncForm::N8Click() {
  QString folder = QString::fromStdString(ProgramFolder(machine()));
  if (folder.isEmpty()) folder = QDir::homePath() + QLatin1Char('/');
  const QString proposed = folder + QStringLiteral("工作日志-") +
                           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                           QStringLiteral(".txt");
  QString file;
  if (!ui::saveFileDialog(this, proposed, file)) return;
  const QByteArray text = Memo2->toPlainText().toUtf8();
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit()) return;
  showError("无法保存工作日志：\n" + file.toStdString() + "\n" + out.errorString().toStdString());
}

void TSyncForm::N1Click() { BtnSyncClick(); }
void TSyncForm::U1Click() { BtnSyncDiskToUClick(); }
void TSyncForm::U2Click() { BtnSyncUToDiskClick(); }

// Ends the program the orderly way, as closing the window does: a running
// job is stopped first and the window closes once it has ended; the
// configuration is then written by the program's end.
void TSyncForm::N5Click() { close(); }

void TSyncForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized()) ApplicationEvents1Minimize();
}

void TSyncForm::ApplicationEvents1Minimize() {
  // Without a notification area nothing could bring a hidden window back,
  // so it then stays minimised on the task bar.
  if (!ui::trayAvailable()) return;
  if (QSystemTrayIcon::isSystemTrayAvailable()) TrayIcon1->show();
  // Hidden once the minimise itself has been handled.
  QMetaObject::invokeMethod(this, [this] { if (isMinimized()) hide(); }, Qt::QueuedConnection);
}

void TSyncForm::TrayIcon1DblClick() {
  showNormal();
  raise();
  activateWindow();
}

void TSyncForm::FormClose(TCloseAction& Action) {
  if (!SyncRunning) return;
  StopSync = true;
  CloseAfterSync = true;
  if (SyncRunning) Action = TCloseAction::caNone;
}

void TSyncForm::closeEvent(QCloseEvent* event) {
  TCloseAction action = TCloseAction::caFree;
  FormClose(action);
  if (action == TCloseAction::caNone) {
    event->ignore();
    return;
  }
  event->accept();
  emit closed();
}
