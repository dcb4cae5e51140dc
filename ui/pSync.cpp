#include "ui/pSync.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QSystemTrayIcon>

#include "config/pOstSync.h"
#include "config/string_list.h"
#include "ui/big_change_question.h"
#include "ui/dialogs.h"
#include "ui/folder_checks.h"
#include "ui/form_message_target.h"
#include "ui/memo_log_lines.h"
#include "ui/pattern_lists.h"
#include "ui/select_folder.h"
#include "ui/widget_controls.h"

namespace {

// Sets a box's text without running its change handler.
void setBoxText(QLineEdit& edit, const std::string& text) {
  const QSignalBlocker blocker(edit);
  edit.setText(QString::fromStdString(text));
}

// The lines of a multi-line box as a memo counts them: the text split at its
// line breaks, where a final line break starts no further line.
std::vector<std::string> memoLines(const QPlainTextEdit& memo) {
  const std::string text = memo.toPlainText().toStdString();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void storePatterns(const QPlainTextEdit& memo, TStringList& list) { StorePatternLines(memoLines(memo), list); }

QString shownPatterns(const TStringList& list) { return QString::fromStdString(ShownPatterns(list)); }

// Selects a radio group's item without running its handler; an index outside
// the items selects none.
void selectRadio(QButtonGroup& group, int index) {
  const QSignalBlocker blocker(group);
  if (QAbstractButton* item = group.button(index)) {
    item->setChecked(true);
    return;
  }
  group.setExclusive(false);
  for (QAbstractButton* item : group.buttons()) item->setChecked(false);
  group.setExclusive(true);
}

}  // namespace

TSyncForm::TSyncForm(QWidget* parent) : QWidget(parent) {
  buildWindow();
  bindJobControls();
  target_ = FormMessageTarget::create(
      [this](platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
        return WndProc(msg, wParam, lParam);
      },
      [this] { FinishMessage(); });
  handle_ = platform::registerMessageTarget(target_);
  connectHandlers();
  FormCreate();
}

TSyncForm::~TSyncForm() {
  // A job still running after the window is gone reports into nothing.
  target_->detach();
  platform::unregisterMessageTarget(handle_);
}

void TSyncForm::bindJobControls() {
  log_ = std::make_unique<MemoLogLines>(*Memo2);
  controls_ = std::make_unique<WidgetControls>();
  controls_->bind(WindowControl::Button1, Button1);
  controls_->bind(WindowControl::BtnSync, BtnSync);
  controls_->bind(WindowControl::BtnSyncDiskToU, BtnSyncDiskToU);
  controls_->bind(WindowControl::BtnSyncUToDisk, BtnSyncUToDisk);
  controls_->bind(WindowControl::N1, N1);
  controls_->bind(WindowControl::U1, U1);
  controls_->bind(WindowControl::U2, U2);
  controls_->bind(WindowControl::N3, N3);
  controls_->bind(WindowControl::CheckBox1, CheckBox1);
  controls_->bind(WindowControl::BtnPreview, BtnPreview);
  renderer_ = std::make_unique<MessageRenderer>(*log_, *controls_);
  buildProgress();
}

void TSyncForm::connectHandlers() {
  connect(Button1, &QPushButton::clicked, this, &TSyncForm::Button1Click);
  connect(Button8, &QPushButton::clicked, this, &TSyncForm::Button8Click);
  connect(Button9, &QPushButton::clicked, this, &TSyncForm::Button9Click);
  connect(Button15, &QPushButton::clicked, this, &TSyncForm::Button9Click);
  connect(Button2, &QPushButton::clicked, this, &TSyncForm::Button2Click);
  connect(Button5, &QPushButton::clicked, this, &TSyncForm::Button5Click);
  connect(Edit1, &QLineEdit::textChanged, this, &TSyncForm::Edit1Change);
  connect(Edit3, &QLineEdit::textChanged, this, &TSyncForm::Edit3Change);
  connect(CheckBox2, &QCheckBox::toggled, this, &TSyncForm::CheckBox2Click);
  connect(Memo3, &QPlainTextEdit::textChanged, this, &TSyncForm::Memo3Change);
  connect(Memo1, &QPlainTextEdit::textChanged, this, &TSyncForm::Memo1Change);
  connect(radioItems1_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroup1Click();
  });
  connect(radioItems2_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroup2Click();
  });
  connect(CheckBoxVersions, &QCheckBox::toggled, this, &TSyncForm::CheckBoxVersionsClick);
  connect(SpinVersionDays, &QSpinBox::valueChanged, this, &TSyncForm::SpinVersionDaysChange);
  connect(SpinConfirmFiles, &QSpinBox::valueChanged, this, &TSyncForm::SpinConfirmFilesChange);
  connect(SpinFatHours, &QSpinBox::valueChanged, this, &TSyncForm::SpinFatHoursChange);

  connect(BtnSync, &QPushButton::clicked, this, &TSyncForm::BtnSyncClick);
  connect(BtnSyncDiskToU, &QPushButton::clicked, this, &TSyncForm::BtnSyncDiskToUClick);
  connect(BtnSyncUToDisk, &QPushButton::clicked, this, &TSyncForm::BtnSyncUToDiskClick);
  connect(BtnPreview, &QPushButton::clicked, this, &TSyncForm::BtnPreviewClick);
  connect(Memo2, &QPlainTextEdit::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu2->exec(Memo2->viewport()->mapToGlobal(at)); });
  connect(N6, &QAction::triggered, this, &TSyncForm::N6Click);
  connect(N7, &QAction::triggered, this, &TSyncForm::N7Click);
  connect(N8, &QAction::triggered, this, &TSyncForm::N8Click);

  // A click on a checkable item flips its check mark at once; the mark
  // belongs to the job's state, so it is put back before the handler runs.
  const auto jobItem = [this](QAction* item, void (TSyncForm::*handler)()) {
    connect(item, &QAction::triggered, this, [this, item, handler](bool checked) {
      const QSignalBlocker blocker(item);
      if (item->isCheckable()) item->setChecked(!checked);
      (this->*handler)();
    });
  };
  jobItem(N1, &TSyncForm::N1Click);
  jobItem(U1, &TSyncForm::U1Click);
  jobItem(U2, &TSyncForm::U2Click);
  connect(N5, &QAction::triggered, this, &TSyncForm::N5Click);
  connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    // Many Linux notification areas report a plain click only.
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) TrayIcon1DblClick();
  });
}

void TSyncForm::FormCreate() {
  ShowConfig();
  PageControl1->setCurrentWidget(TabSheet1);
  if (ui::trayAvailable() && QSystemTrayIcon::isSystemTrayAvailable()) TrayIcon1->show();
}

const platform::MachinePaths& TSyncForm::machine() const { return SyncAction->Machine(); }

void TSyncForm::showError(const std::string& text) {
  ui::errorBox(this, QStringLiteral("CorvelDrovan"), QString::fromStdString(text));
}

int TSyncForm::RadioGroup1Index() const { return radioItems1_->checkedId(); }
int TSyncForm::RadioGroup2Index() const { return radioItems2_->checkedId(); }

void TSyncForm::ShowConfig() {
  // A stored folder that is refused now (its drive has become removable,
  // say) leaves its box empty, so no job starts with it, and stays in the
  // configuration; the rest is filled all the same and the refusals are
  // shown together, once.
  std::string refusals;
  const auto refused = [&refusals](const std::string& text) {
    if (!refusals.empty()) refusals += "\n\n";
    refusals += text;
  };

  const std::string disk = SyncAction->DFolderPath();
  if (!disk.empty()) {
    const std::string refusal = DiskFolderRefusal(disk, machine());
    if (refusal.empty()) {
      shownDiskFolder_ = disk;
      setBoxText(*Edit1, disk);
    } else {
      refused(refusal);
    }
  }
  const std::string usb = UsbFolderForm(SyncAction->UFolderAbsPath(), machine());
  const std::string refusal = UsbFolderRefusal(usb, machine());
  if (refusal.empty()) {
    shownUsbFolder_ = usb;
    setBoxText(*Edit3, usb);
    if (usb != SyncAction->UFolderAbsPath()) SyncAction->SetUFolderAbsPath(usb);
  } else if (!SyncAction->Ostini().UFolderPath().empty()) {
    // Nothing stored means the drive's root, which is no choice of the
    // user's when the program lies deeper: the box just stays empty.
    refused(refusal);
  }

  TOstiniFileAction& ini = SyncAction->Ostini();
  {
    const QSignalBlocker blocker(CheckBox2);
    CheckBox2->setChecked(ini.AllSync());
  }
  CheckBox2Click();
  // The lists are shown but not read back from the boxes: the round trip
  // through the boxes quotes a pattern holding a blank or a quotation mark
  // once more on every start.
  {
    const QSignalBlocker blocker(Memo3);
    Memo3->setPlainText(shownPatterns(ini.SyncFilesList()));
  }
  {
    const QSignalBlocker blocker(Memo1);
    Memo1->setPlainText(shownPatterns(ini.NoSyncFilesList()));
  }
  selectRadio(*radioItems1_, ini.WhenSyncedFolderHasNewSameFile());
  selectRadio(*radioItems2_, ini.WhenSyncedFolderHasNewFile());
  {
    const QSignalBlocker versions(CheckBoxVersions), days(SpinVersionDays), confirm(SpinConfirmFiles),
        hours(SpinFatHours);
    CheckBoxVersions->setChecked(ini.KeepVersions());
    SpinVersionDays->setValue(ini.VersionDays());
    SpinConfirmFiles->setValue(ini.ConfirmFiles());
    SpinFatHours->setValue(ini.FatHours());
  }
  CheckBoxVersionsClick();

  if (!refusals.empty()) showError(refusals);
}

void TSyncForm::Button1Click() { PageControl1->setCurrentWidget(TabSheet2); }
void TSyncForm::Button8Click() { PageControl1->setCurrentWidget(TabSheet3); }
void TSyncForm::Button9Click() { PageControl1->setCurrentWidget(TabSheet1); }

void TSyncForm::pickFolder(QLineEdit& edit) {
  BrowseInitDir = edit.text().toStdString();
  std::string folder;
  // The box's change handler checks and stores the folder.
  if (SelectFolder("", "", folder, this)) edit.setText(QString::fromStdString(folder));
}

void TSyncForm::Button2Click() { pickFolder(*Edit1); }
void TSyncForm::Button5Click() { pickFolder(*Edit3); }

void TSyncForm::Edit1Change() {
  const std::string T = Edit1->text().toStdString();
  if (const std::string refusal = DiskFolderRefusal(T, machine()); !refusal.empty()) {
    setBoxText(*Edit1, shownDiskFolder_);
    showError(refusal);
    return;
  }
  shownDiskFolder_ = T;
  SyncAction->SetDFolderPath(T);
}

void TSyncForm::Edit3Change() {
  const std::string T = UsbFolderForm(Edit3->text().toStdString(), machine());
  const std::string refusal = UsbFolderRefusal(T, machine());
  if (!refusal.empty()) {
    setBoxText(*Edit3, shownUsbFolder_);
    showError(refusal);
    return;
  }
  shownUsbFolder_ = T;
  setBoxText(*Edit3, T);
  SyncAction->SetUFolderAbsPath(T);
}

void TSyncForm::CheckBox2Click() {
  const bool all = CheckBox2->isChecked();
  Memo3->setEnabled(!all);
  Memo1->setEnabled(!all);
  SyncAction->Ostini().SetAllSync(all);
}

void TSyncForm::Memo3Change() { storePatterns(*Memo3, SyncAction->Ostini().SyncFilesList()); }
void TSyncForm::Memo1Change() { storePatterns(*Memo1, SyncAction->Ostini().NoSyncFilesList()); }

void TSyncForm::RadioGroup1Click() {
  SyncAction->Ostini().SetWhenSyncedFolderHasNewSameFile(static_cast<std::int16_t>(radioItems1_->checkedId()));
}

void TSyncForm::RadioGroup2Click() {
  SyncAction->Ostini().SetWhenSyncedFolderHasNewFile(static_cast<std::int16_t>(radioItems2_->checkedId()));
}

void TSyncForm::CheckBoxVersionsClick() {
  SyncAction->Ostini().SetKeepVersions(CheckBoxVersions->isChecked());
  SpinVersionDays->setEnabled(CheckBoxVersions->isChecked());
}

void TSyncForm::SpinVersionDaysChange() { SyncAction->Ostini().SetVersionDays(SpinVersionDays->value()); }

void TSyncForm::SpinConfirmFilesChange() { SyncAction->Ostini().SetConfirmFiles(SpinConfirmFiles->value()); }

void TSyncForm::SpinFatHoursChange() { SyncAction->Ostini().SetFatHours(SpinFatHours->value()); }

platform::LRESULT TSyncForm::WndProc(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  try {
    // The pane's lines change now; Qt hears of it once the job has its
    // answer (FinishMessage).
    log_->holdEdit();
    const bool rendered = renderer_->handle(msg, wParam, lParam);
    if (!rendered) log_->finishHeldEdit();  // what follows may run an event loop
    if (rendered) {
      progressMessage(msg, wParam);
      // The pane paints at the display's pace, and at once when a job ends
      // or asks (the user must see what the question is about).
      if (msg == WM_SYNCEND || msg == WM_AUTOSYNCSTOPPED) log_->paintNow();
      // The question waits until the job has let go of the window.
      if (msg == WM_SYNCEND && previewJob_ && previewJob_ == lastJob_)
        QMetaObject::invokeMethod(this, [this, preview = std::move(previewJob_)] { previewEnded(preview); },
                                  Qt::QueuedConnection);
      return 0;
    }
    if (msg == WM_CONFIRMBIGCHANGE) log_->paintNow();
    if (msg == WM_CONFIRMBIGCHANGE) return ui::askBigChange(this, bigChangeFromParam(wParam)) ? 1 : 0;
    if (msg == platform::WM_SYSCOMMAND && wParam == platform::SC_CLOSE) close();
  } catch (const std::exception&) {
    // A pane that cannot take a line (out of memory) must not break the
    // job's protocol; the job goes on and still ends the running state.
  }
  return 0;
}

void TSyncForm::FinishMessage() {
  try {
    log_->finishHeldEdit();
  } catch (const std::exception&) {
    // As in WndProc: the job's protocol goes on whatever the pane does.
  }
}
