// TSyncForm on Windows: the program's one window as a Win32 form. The main
// page shows the two folders with their pickers, the sync buttons and the
// log pane; the options page the file-type filter, the two strategies and the
// safety net; the help page the help text. The pages are panels of a page
// control without tabs, reached by the buttons. A job reports through the
// window's handle; its messages arrive as window messages and go to the
// message renderer, bound here to the real controls, and to the whole job's
// progress display beside the sync buttons and in the tray icon's tool tip.
#pragma once

#include "ui/win32/win_api.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "engine/big_change.h"
#include "engine/job_outcome.h"
#include "engine/job_settings.h"
#include "engine/message_renderer.h"
#include "platform/messages.h"
#include "ui/job_progress_display.h"
#include "ui/job_start.h"
#include "ui/win32/edit_log_lines.h"
#include "ui/win32/hwnd_controls.h"
#include "ui/win32/tray_icon.h"
#include "ui/win32/win_handles.h"
#include "ui/win32/window_message_target.h"

// What FormClose leaves the close to do: go ahead, or nothing (refused).
enum class TCloseAction { caNone, caFree };

// Window thread only. Options are stored into SyncAction when it exists;
// without it (tests of the form alone) they are only shown.
class TSyncForm {
 public:
  using EditLogLines = win32ui::EditLogLines;
  using HwndControls = win32ui::HwndControls;
  using UniqueFont = win32ui::UniqueFont;
  using UniqueWindow = win32ui::UniqueWindow;
  using UniqueMenu = win32ui::UniqueMenu;
  using WindowMessageTarget = win32ui::WindowMessageTarget;

  // Creates the window hidden and runs FormCreate; show() shows it.
  TSyncForm();
  ~TSyncForm();
  TSyncForm(const TSyncForm&) = delete;
  TSyncForm& operator=(const TSyncForm&) = delete;

  void show();
  HWND Window() const { return window_.get(); }
  // The handle a job sends its messages to; valid while the form exists.
  platform::HWND Handle() const { return handle_->handle(); }
  // A control by its id (see form_layout.h); nullptr for an unknown id.
  HWND Control(int controlId) const;
  HMENU PopupMenu1() const { return popupMenu1_.get(); }
  HMENU PopupMenu2() const { return popupMenu2_.get(); }
  const HwndControls& JobControls() const { return controls_; }
  HwndControls& JobControls() { return controls_; }
  const MessageRenderer& Renderer() const { return *renderer_; }
  EditLogLines& LogPane() { return *log_; }
  // 0, 1 or 2: the page shown.
  int PageIndex() const;
  // The report of the job started last; none before.
  std::shared_ptr<const TJobReport> LastJob() const { return lastJob_; }

  // Starts a job of `kind` on `settings` for the sync button `button`, which
  // reads "停止" while it runs; a refusal (a job already on either folder)
  // is shown. What the sync buttons do after their checks (ui/job_start.h).
  void StartJob(WindowControl button, TSyncType kind, TJobSettings settings, bool dryRun = false);

  // Called when the window has accepted a close (the program's loop ends).
  std::function<void()> onClosed;
  // Shows a refusal; the default is an error message box.
  std::function<void(const std::string&)> onError;
  // Asks whether a job that deletes or overwrites many files goes ahead;
  // the default is the box of big_change_box.h.
  std::function<bool(const std::string& caption, const std::string& text)> onAskBigChange;
  // Asks after a preview that found work whether to start the sync it
  // showed; the default is a question box whose answer defaults to no.
  std::function<bool(const std::string& caption, const std::string& text)> onAskPreview;
  // Asks where to save the log pane, proposing `proposed`: true and the
  // file when the user chose one. The default is the system's save dialog.
  std::function<bool(const std::string& proposed, std::string& file)> onSaveFile;
  // Picks a folder for a folder box: true and the folder when one was
  // chosen. The default is the shell's folder browser.
  std::function<bool(std::string&)> onPickFolder;

  // The job's messages and SC_CLOSE; returns 0.
  platform::LRESULT WndProc(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);

  // Handlers, named after their controls.
  void Button1Click();
  void Button8Click();
  void Button9Click();
  void BtnSyncClick();
  void BtnSyncDiskToUClick();
  void BtnSyncUToDiskClick();
  // A preview of the automatic sync in the log pane, after which the user
  // may start the sync it showed (sync_form_preview.cpp).
  void BtnPreviewClick();
  void Button2Click();
  void Button5Click();
  void Edit1Change();
  void Edit3Change();
  void CheckBox2Click();
  void CheckBoxVersionsClick();
  void SpinVersionDaysChange();
  void SpinConfirmFilesChange();
  void SpinFatHoursChange();
  void Memo3Change();
  void Memo1Change();
  void RadioGroup1Click();
  void RadioGroup2Click();
  void N6Click();
  void N7Click();
  void N8Click();
  void N1Click() { BtnSyncClick(); }
  void U1Click() { BtnSyncDiskToUClick(); }
  void U2Click() { BtnSyncUToDiskClick(); }
  void N5Click();
  // Minimised with a notification area, the window hides behind its icon;
  // a double click on the icon brings it back.
  void ApplicationEvents1Minimize();
  void TrayIcon1DblClick();
  bool TrayShown() const { return trayIcon_ && trayIcon_->shown(); }
  std::string TrayTip() const { return trayIcon_ ? trayIcon_->tip() : std::string(); }
  // The icon's clicks.
  static constexpr UINT WM_TRAYICON = WM_APP + 1;

  // A selected radio item's index; -1 when none is.
  int RadioGroup1Index() const;
  int RadioGroup2Index() const;

  static constexpr UINT_PTR kPaintTimer = 1;
  // The progress display is read at the pane's pace.
  static constexpr UINT_PTR kProgressTimer = 2;
  // The sync a preview offered waits for the preview's job to be gone.
  static constexpr UINT_PTR kPreviewedSyncTimer = 3;
  // Posted when a preview ended, so that its question waits until the job
  // has let go of the window.
  static constexpr UINT WM_PREVIEWENDED = WM_APP + 2;

 private:
  static LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
  void command(int controlId, int code);
  void buildControls();
  void buildMenus();
  void bindJobControls();
  void FormCreate();
  void FormClose(TCloseAction& Action);
  void ShowConfig();
  void showPage(int index);
  void showError(const std::string& text);
  bool askBigChange(const TBigChange& change);
  void syncButtonClick(int button, WindowControl control, TSyncType kind, bool dryRun = false);
  void previewEnded();
  void startPreviewedSync();
  // The whole job's progress display (sync_form_progress.cpp).
  void progressMessage(UINT msg, WPARAM wParam);
  void refreshProgress();
  // While a job runs the options are not to be changed: they take effect
  // with the next job.
  void lockOptions(bool locked);
  void CheckSyncFolders() const;
  std::string text(int controlId) const;
  // Sets a box's text without its change handler storing it.
  void setBoxText(int controlId, const std::string& text);
  void pickFolder(int edit);
  int spinValue(int spin) const;
  void setSpinValue(int spin, int value);

  UniqueFont font_;
  UniqueFont memoFont_;
  UniqueWindow window_;
  std::unordered_map<int, HWND> controls_by_id_;
  UniqueMenu popupMenu1_;
  UniqueMenu popupMenu2_;
  // The items of the timed automatic mode exist but are never shown.
  UniqueMenu hiddenItems_;
  std::unique_ptr<EditLogLines> log_;
  HwndControls controls_;
  std::unique_ptr<MessageRenderer> renderer_;
  std::shared_ptr<WindowMessageTarget> target_;
  std::unique_ptr<platform::ScopedMessageTarget> handle_;
  std::shared_ptr<TJobReport> lastJob_;
  std::chrono::steady_clock::time_point jobStartedAt_{};
  // The running preview, until its end; then the one whose question is due.
  std::shared_ptr<TJobReport> previewJob_;
  std::shared_ptr<TJobReport> endedPreview_;
  bool previewedDiskIsSource_ = false;
  JobProgressDisplay progress_;
  std::unique_ptr<win32ui::TrayIcon> trayIcon_;
  UINT taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  bool filling_ = false;  // ShowConfig runs: no change handler stores
  // What each folder box shows when accepted; a refused pick returns to it.
  std::string shownDiskFolder_;
  std::string shownUsbFolder_;
  std::unordered_map<int, HWND> spinArrows_;
};
