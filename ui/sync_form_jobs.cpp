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
#include "platform/exceptions.h"
#include "ui/dialogs.h"
#include "ui/folder_checks.h"
#include "ui/job_start.h"
#include "ui/memo_log_lines.h"
#include "ui/pSync.h"

void TSyncForm::CheckSyncFolders() const {
  ::CheckSyncFolders(Edit1->text().toStdString(), Edit3->text().toStdString());
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
  jobStartedAt_ = std::chrono::steady_clock::now();
  std::string refusal;
  auto report = StartWindowJob(Handle(), *renderer_, {control, kind, dryRun}, JobSettingsFrom(*SyncAction), refusal);
  if (!report) {
    showError(refusal);
    return;
  }
  lastJob_ = std::move(report);
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
