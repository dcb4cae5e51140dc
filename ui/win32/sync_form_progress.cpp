// The whole job's progress beside the sync buttons and in the tray icon's
// tool tip, as the Qt window shows it: what the job has settled of its plan,
// the speed, the time left; hidden and empty while idle.
#include "ui/win32/sync_form.h"

#include <commctrl.h>

#include "platform/wide_text.h"
#include "ui/win32/form_layout.h"

using namespace win32ui;

namespace {

BOOL CALLBACK enableChild(HWND child, LPARAM enabled) {
  EnableWindow(child, static_cast<BOOL>(enabled));
  return TRUE;
}

}  // namespace

void TSyncForm::lockOptions(bool locked) {
  for (const int group : {id::GroupBox1, id::GroupBoxSafety}) {
    EnableWindow(Control(group), !locked);
    EnumChildWindows(Control(group), &enableChild, !locked);
  }
  if (locked) return;
  // What the options' own states keep off stays off.
  const bool wasFilling = filling_;
  filling_ = true;
  CheckBox2Click();
  CheckBoxVersionsClick();
  filling_ = wasFilling;
}

void TSyncForm::progressMessage(UINT msg, WPARAM wParam) {
  const HWND bar = Control(id::ProgressJob), label = Control(id::LabelProgress);
  switch (progress_.Message(msg, wParam, lastJob_.get(), std::chrono::steady_clock::now())) {
    case JobProgressDisplay::Change::Began:
      // Also where the options page is open already (a job from the tray).
      lockOptions(true);
      SendMessageW(bar, PBM_SETPOS, 0, 0);
      ShowWindow(bar, SW_SHOW);
      ShowWindow(label, SW_SHOW);
      refreshProgress();
      SetTimer(window_.get(), kProgressTimer, EditLogLines::kPaintInterval, nullptr);
      break;
    case JobProgressDisplay::Change::Ended:
      KillTimer(window_.get(), kProgressTimer);
      SendMessageW(bar, PBM_SETPOS, 0, 0);
      ShowWindow(bar, SW_HIDE);
      SetWindowTextW(label, L"");
      ShowWindow(label, SW_HIDE);
      if (trayIcon_) trayIcon_->setTip(JobProgressDisplay::kTrayTip);
      lockOptions(false);
      break;
    case JobProgressDisplay::Change::None:
      break;
  }
}

void TSyncForm::refreshProgress() {
  const JobProgressDisplay::Shown shown = progress_.Read(lastJob_.get(), std::chrono::steady_clock::now());
  if (!shown.Active) return;
  const HWND bar = Control(id::ProgressJob), label = Control(id::LabelProgress);
  if (SendMessageW(bar, PBM_GETPOS, 0, 0) != shown.Permille) SendMessageW(bar, PBM_SETPOS, shown.Permille, 0);
  if (text(id::LabelProgress) != shown.Label) SetWindowTextW(label, platform::toWide(shown.Label).c_str());
  if (shown.TipDue && trayIcon_) trayIcon_->setTip(shown.Tip);
}
