// TSyncForm: the program's one window. The main page shows the two folders
// with their pickers, the three sync buttons and the log pane; the options
// page the file-type filter and the two strategies; the help page the help
// text. Every option change goes straight into SyncAction (the file is
// written once, at the orderly end). A sync job reports through the window's
// handle; its messages are handled on the GUI thread by the message renderer,
// bound here to the real widgets. Minimising hides the window behind a
// notification-area icon where there is one, whose menu starts, stops and
// exits.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <QWidget>

#include "engine/job_outcome.h"
#include "engine/job_progress_view.h"
#include "engine/message_renderer.h"
#include "inventory/pglobal.h"
#include "platform/machine_paths.h"
#include "platform/messages.h"
#include "ui/job_progress_display.h"
#include "ui/job_start.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;
class FormMessageTarget;
class MemoLogLines;
class WidgetControls;

// What FormClose leaves the close to do: go ahead, or nothing (refused).
enum class TCloseAction { caNone, caFree };

// Every member and handler belongs to the GUI thread. A refused action is
// shown in an error box (ui::errorBox) and changes nothing; no handler
// throws.
class TSyncForm : public QWidget {
  Q_OBJECT

 public:
  // Builds the window and runs FormCreate, which fills the controls from
  // SyncAction; SyncAction must exist and outlive the form.
  explicit TSyncForm(QWidget* parent = nullptr);
  ~TSyncForm() override;

  // The handle a job sends its messages to; valid while the form exists.
  platform::HWND Handle() const { return handle_; }
  // The window procedure's own part: the nine progress messages go to the
  // renderer, WM_SYSCOMMAND with SC_CLOSE is a close request. Returns 0.
  platform::LRESULT WndProc(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);
  // What WndProc left to do once the sender has its answer.
  void FinishMessage();
  // ClickBtn, BtnCaption and LastCopyLine.
  const MessageRenderer& Renderer() const { return *renderer_; }
  // The report of the job started last (running or ended); none before.
  std::shared_ptr<const TJobReport> LastJob() const { return lastJob_; }
  // The stop click ignored right after a start (ui/job_start.h).
  static constexpr std::chrono::milliseconds kStopGuard = ::kStopGuard;

  // The controls, each also found by its objectName. Owned by the window.
  QStackedWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button8 = nullptr;
  QGroupBox* GroupBox7 = nullptr;
  QPushButton* BtnSync = nullptr;
  QPushButton* BtnSyncDiskToU = nullptr;
  QPushButton* BtnSyncUToDisk = nullptr;
  QPushButton* BtnPreview = nullptr;
  // The whole job's progress, beside the sync buttons; hidden while idle.
  QProgressBar* ProgressJob = nullptr;
  QLabel* LabelProgress = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QPlainTextEdit* Memo3 = nullptr;
  QGroupBox* GroupBox5 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QGroupBox* RadioGroup2 = nullptr;
  QPushButton* Button15 = nullptr;
  // The safety net, below the strategies: old versions kept, for how many
  // days, and from how many files a big deletion is confirmed.
  QGroupBox* GroupBoxSafety = nullptr;
  QCheckBox* CheckBoxVersions = nullptr;
  QSpinBox* SpinVersionDays = nullptr;
  QSpinBox* SpinConfirmFiles = nullptr;
  QSpinBox* SpinFatHours = nullptr;
  QPlainTextEdit* Memo4 = nullptr;
  QPushButton* Button9 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* N3 = nullptr;
  QAction* N4 = nullptr;
  QAction* N1 = nullptr;
  QAction* U1 = nullptr;
  QAction* U2 = nullptr;
  QAction* N2 = nullptr;
  QAction* N5 = nullptr;
  QMenu* PopupMenu2 = nullptr;
  QAction* N6 = nullptr;
  QAction* N7 = nullptr;
  QAction* N8 = nullptr;
  QSystemTrayIcon* TrayIcon1 = nullptr;

  // The selected item of a radio group; -1 when none is selected.
  int RadioGroup1Index() const;
  int RadioGroup2Index() const;

 public slots:
  // Pages.
  void Button1Click();
  void Button8Click();
  void Button9Click();
  // Folders.
  void Button2Click();
  void Button5Click();
  void Edit1Change();
  void Edit3Change();
  // Options.
  void CheckBox2Click();
  void Memo3Change();
  void Memo1Change();
  void RadioGroup1Click();
  void RadioGroup2Click();
  void CheckBoxVersionsClick();
  void SpinVersionDaysChange();
  void SpinConfirmFilesChange();
  void SpinFatHoursChange();
  // Jobs: start the handler's kind of job, or stop the running one when the
  // button reads "停止".
  void BtnSyncClick();
  void BtnSyncDiskToUClick();
  void BtnSyncUToDiskClick();
  // A preview of the automatic sync in the log pane, after which the user
  // may start the sync it showed (sync_form_preview.cpp).
  void BtnPreviewClick();
  // Log pane menu.
  void N6Click();
  void N7Click();
  void N8Click();
  // Tray menu.
  void N1Click();
  void U1Click();
  void U2Click();
  void N5Click();
  void ApplicationEvents1Minimize();
  void TrayIcon1DblClick();

 signals:
  // The window has accepted a close; the program's message loop may end.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildWindow();
  void buildMainPage();
  void buildOptionsPage();
  void buildHelpPage();
  void buildMenus();
  void connectHandlers();
  void bindJobControls();

  void FormCreate();
  void FormClose(TCloseAction& Action);
  void ShowConfig();
  // Raises Exception "请设置好同步文件夹" when a folder box is blank
  // (ui/job_start.h).
  void CheckSyncFolders() const;

  const platform::MachinePaths& machine() const;
  void pickFolder(QLineEdit& edit);
  void syncButtonClick(QPushButton& button, WindowControl control, TSyncType kind, bool dryRun = false);
  // After a preview that found work: asks, and starts the sync it showed.
  void previewEnded(const std::shared_ptr<TJobReport>& preview);
  void startPreviewedSync(bool diskIsSource);
  void showError(const std::string& text);
  // The whole job's progress display (sync_form_progress.cpp): follows
  // the job's messages and is redrawn at the pane's pace.
  void buildProgress();
  void progressMessage(platform::UINT msg, platform::WPARAM wParam);
  void refreshProgress();

  std::unique_ptr<MemoLogLines> log_;
  std::unique_ptr<WidgetControls> controls_;
  std::unique_ptr<MessageRenderer> renderer_;
  std::shared_ptr<FormMessageTarget> target_;
  std::shared_ptr<TJobReport> lastJob_;
  std::chrono::steady_clock::time_point jobStartedAt_{};
  JobProgressDisplay progress_;
  QTimer* progressTimer_ = nullptr;
  // The running preview, until its end.
  std::shared_ptr<TJobReport> previewJob_;
  platform::HWND handle_ = 0;
  QButtonGroup* radioItems1_ = nullptr;
  QButtonGroup* radioItems2_ = nullptr;
  // What each folder box shows when accepted; a refused pick returns to it.
  std::string shownDiskFolder_;
  std::string shownUsbFolder_;
};
