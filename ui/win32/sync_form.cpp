#include "ui/win32/sync_form.h"

#include "ui/win32/win_api.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "config/pOstSync.h"
#include "config/string_list.h"
#include "engine/big_change.h"
#include "engine/failure_reason.h"
#include "inventory/pglobal.h"
#include "platform/exceptions.h"
#include "platform/machine_paths.h"
#include "platform/whole_file.h"
#include "platform/wide_text.h"
#include "ui/pattern_lists.h"
#include "config/pIniReg.h"
#include "ui/folder_checks.h"
#include "ui/help_text.h"
#include "ui/job_start.h"
#include "ui/window_questions.h"
#include "ui/win32/big_change_box.h"
#include "ui/win32/select_folder.h"
#include "ui/win32/form_font.h"
#include "ui/win32/form_layout.h"

using namespace win32ui;


namespace {

constexpr wchar_t kFormClass[] = L"TSyncForm";
constexpr wchar_t kPanelClass[] = L"TDrovanPanel";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Panels and group boxes pass what their children report on to the form,
// whose window procedure handles every control.
LRESULT CALLBACK panelProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND || msg == WM_NOTIFY) return SendMessageW(GetAncestor(window, GA_ROOT), msg, wParam, lParam);
  return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT CALLBACK forwardSubclass(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_COMMAND || msg == WM_NOTIFY) return SendMessageW(GetAncestor(window, GA_ROOT), msg, wParam, lParam);
  // A group box draws only its frame and caption; holding controls of its
  // own, it must fill its inside too, which its parent leaves to it.
  if (msg == WM_PAINT) {
    RECT inside{};
    GetClientRect(window, &inside);
    const HDC dc = GetDC(window);
    FillRect(dc, &inside, GetSysColorBrush(COLOR_BTNFACE));
    ReleaseDC(window, dc);
  }
  return DefSubclassProc(window, msg, wParam, lParam);
}

// The log pane's own menu replaces the edit's.
LRESULT CALLBACK memoMenuSubclass(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR menu) {
  if (msg == WM_CONTEXTMENU) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (at.x == -1 && at.y == -1) {
      at = {0, 0};
      ClientToScreen(window, &at);
    }
    TrackPopupMenu(reinterpret_cast<HMENU>(menu), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0,
                   GetAncestor(window, GA_ROOT), nullptr);
    return 0;
  }
  return DefSubclassProc(window, msg, wParam, lParam);
}

void registerClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = &DefWindowProcW;  // replaced below by the form's own
    form.hInstance = instance;
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    WNDCLASSEXW panel = form;
    panel.lpfnWndProc = &panelProc;
    panel.hIcon = nullptr;
    panel.lpszClassName = kPanelClass;
    return RegisterClassExW(&form) != 0 && RegisterClassExW(&panel) != 0;
  }();
  if (!registered) throw std::runtime_error("the window classes cannot be registered");
}

// The size a label or check box takes for its caption.
SIZE captionSize(HWND control, HFONT font, const std::wstring& caption) {
  const HDC dc = GetDC(control);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

struct ClassAndStyle {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

ClassAndStyle classOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Page: return {kPanelClass, WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
    case ControlKind::Label: return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::FolderBox: return {WC_EDITW, ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Button: return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::Group: return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::CheckBox: return {WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::Radio: return {WC_BUTTONW, BS_AUTORADIOBUTTON, 0};
    case ControlKind::Memo:
      return {WC_EDITW, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::ReadOnlyMemo:
      return {WC_EDITW, ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Spin: return {WC_EDITW, ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Progress: return {PROGRESS_CLASSW, 0, 0};
  }
  return {WC_STATICW, 0, 0};
}

std::wstring windowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The lines of a multi-line box, split at its line breaks; a final line
// break starts no further line.
std::vector<std::string> memoLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void storePatterns(const std::string& text, TStringList& list) { StorePatternLines(memoLines(text), list); }

std::string shownPatterns(const TStringList& list) { return ShownPatterns(list); }

int selectedItem(const TSyncForm& form, int first) {
  for (int i = 0; i < 3; ++i)
    if (SendMessageW(form.Control(first + i), BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
  return -1;
}

void selectItem(const TSyncForm& form, int first, int index) {
  for (int i = 0; i < 3; ++i)
    SendMessageW(form.Control(first + i), BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

TSyncForm::TSyncForm()
    : font_(CreateFormFont(11)), memoFont_(CreateFormFont(13)), hiddenItems_(CreatePopupMenu()) {
  registerClasses();
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  window_.reset(CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, L"CorvelDrovan", kFormStyle, x, y, width, height,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!window_) throw std::runtime_error("the window cannot be created");
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TSyncForm::FormProc));
  // The system menu of a fixed window offers neither size nor maximise.
  if (HMENU system = GetSystemMenu(window_.get(), FALSE)) {
    DeleteMenu(system, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(system, SC_MAXIMIZE, MF_BYCOMMAND);
  }
  buildControls();
  buildMenus();
  bindJobControls();
  target_ = std::make_shared<WindowMessageTarget>(window_.get());
  handle_ = std::make_unique<platform::ScopedMessageTarget>(target_);
  FormCreate();
}

TSyncForm::~TSyncForm() {
  trayIcon_.reset();
  // A job still running after the window is gone reports into nothing.
  target_->detach();
  handle_.reset();
  KillTimer(window_.get(), kPaintTimer);
  KillTimer(window_.get(), kProgressTimer);
  KillTimer(window_.get(), kPreviewedSyncTimer);
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void TSyncForm::show() {
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  UpdateWindow(window_.get());
}

HWND TSyncForm::Control(int controlId) const {
  const auto found = controls_by_id_.find(controlId);
  return found == controls_by_id_.end() ? nullptr : found->second;
}

void TSyncForm::buildControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  std::unordered_map<std::string_view, HWND> byName;
  for (const ControlRow& row : FormRows()) {
    const HWND parent = row.parent.empty() ? window_.get() : byName.at(row.parent);
    const ClassAndStyle kind = classOf(row.kind);
    DWORD style = WS_CHILD | kind.style | (row.visible ? WS_VISIBLE : 0);
    if (row.kind == ControlKind::Radio && row.name.ends_with("Item0")) style |= WS_GROUP | WS_TABSTOP;
    const std::wstring caption = platform::toWide(row.caption);
    const HWND control =
        CreateWindowExW(kind.exStyle, kind.className, caption.c_str(), style, row.x, row.y, row.width, row.height,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
    if (!control) throw std::runtime_error("the control " + std::string(row.name) + " cannot be created");
    const bool memoFont = row.id == id::Memo3 || row.id == id::Memo1;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(memoFont ? memoFont_.get() : font_.get()), FALSE);
    if (row.width == 0 && row.height == 0) {
      SIZE size = captionSize(control, font_.get(), caption);
      // A check box's square and gap before its caption.
      if (row.kind == ControlKind::CheckBox) size.cx += GetSystemMetrics(SM_CXMENUCHECK) + 6;
      SetWindowPos(control, nullptr, 0, 0, size.cx, std::max<LONG>(size.cy, 17),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (row.kind == ControlKind::Group) SetWindowSubclass(control, &forwardSubclass, 0, 0);
    if (row.kind == ControlKind::Spin) {
      const HWND arrows = CreateWindowExW(
          0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 0, 0, 0,
          parent, nullptr, instance, nullptr);
      SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(control), 0);
      spinArrows_.emplace(row.id, arrows);
    }
    if (row.kind == ControlKind::Progress) SendMessageW(control, PBM_SETRANGE32, 0, 1000);
    byName.emplace(row.name, control);
    controls_by_id_.emplace(row.id, control);
  }
  SendMessageW(Control(id::CheckBox2), BM_SETCHECK, BST_CHECKED, 0);
  selectItem(*this, id::RadioGroup1Item0, 2);
  selectItem(*this, id::RadioGroup2Item0, 0);
  SendMessageW(Control(id::CheckBoxVersions), BM_SETCHECK, BST_CHECKED, 0);
  filling_ = true;
  SendMessageW(spinArrows_.at(id::SpinVersionDays), UDM_SETRANGE32, 1, kMaxVersionDays);
  SendMessageW(spinArrows_.at(id::SpinConfirmFiles), UDM_SETRANGE32, 0, 1'000'000);
  SendMessageW(spinArrows_.at(id::SpinFatHours), UDM_SETRANGE32, 0, kMaxFatHours);
  setSpinValue(id::SpinVersionDays, kDefaultVersionDays);
  setSpinValue(id::SpinConfirmFiles, kDefaultConfirmFiles);
  setSpinValue(id::SpinFatHours, kDefaultFatHours);
  filling_ = false;

  std::string help;
  for (const std::string& line : HelpLines()) {
    if (!help.empty()) help += "\r\n";
    help += line;
  }
  SetWindowTextW(Control(id::Memo4), platform::toWide(help).c_str());
}

void TSyncForm::buildMenus() {
  popupMenu1_.reset(CreatePopupMenu());
  AppendMenuW(popupMenu1_.get(), MF_STRING, id::N1, L"手动-自动选择同步源");
  AppendMenuW(popupMenu1_.get(), MF_STRING, id::U1, L"手动-同步本地硬盘到U盘");
  AppendMenuW(popupMenu1_.get(), MF_STRING, id::U2, L"手动-同步U盘到本地硬盘到");
  AppendMenuW(popupMenu1_.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(popupMenu1_.get(), MF_STRING, id::N5, L"退出");
  AppendMenuW(hiddenItems_.get(), MF_STRING, id::N3, L"自动同步");

  popupMenu2_.reset(CreatePopupMenu());
  AppendMenuW(popupMenu2_.get(), MF_STRING, id::N6, L"复制");
  AppendMenuW(popupMenu2_.get(), MF_STRING, id::N7, L"清空");
  AppendMenuW(popupMenu2_.get(), MF_STRING, id::N8, L"保存工作日志");
  SetWindowSubclass(Control(id::Memo2), &memoMenuSubclass, 0, reinterpret_cast<DWORD_PTR>(popupMenu2_.get()));
}

void TSyncForm::bindJobControls() {
  log_ = std::make_unique<EditLogLines>(Control(id::Memo2), window_.get(), kPaintTimer);
  controls_.bind(WindowControl::Button1, Control(id::Button1));
  controls_.bind(WindowControl::BtnSync, Control(id::BtnSync));
  controls_.bind(WindowControl::BtnSyncDiskToU, Control(id::BtnSyncDiskToU));
  controls_.bind(WindowControl::BtnSyncUToDisk, Control(id::BtnSyncUToDisk));
  controls_.bind(WindowControl::BtnPreview, Control(id::BtnPreview));
  controls_.bind(WindowControl::CheckBox1, Control(id::CheckBox1));
  controls_.bind(WindowControl::N1, popupMenu1_.get(), id::N1);
  controls_.bind(WindowControl::U1, popupMenu1_.get(), id::U1);
  controls_.bind(WindowControl::U2, popupMenu1_.get(), id::U2);
  controls_.bind(WindowControl::N3, hiddenItems_.get(), id::N3);
  renderer_ = std::make_unique<MessageRenderer>(*log_, controls_);
}

void TSyncForm::FormCreate() {
  if (SyncAction) {
    ShowConfig();
  } else {
    CheckBox2Click();
    CheckBoxVersionsClick();
  }
  showPage(0);
  trayIcon_ = std::make_unique<TrayIcon>(window_.get(), WM_TRAYICON, LoadIconW(nullptr, IDI_APPLICATION),
                                         "CorvelDrovan");
}

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
  const platform::MachinePaths& machine = SyncAction->Machine();
  const std::string disk = SyncAction->DFolderPath();
  if (!disk.empty()) {
    const std::string refusal = DiskFolderRefusal(disk, machine);
    if (refusal.empty()) {
      shownDiskFolder_ = disk;
      setBoxText(id::Edit1, disk);
    } else {
      refused(refusal);
    }
  }
  const std::string usb = UsbFolderForm(SyncAction->UFolderAbsPath(), machine);
  const std::string refusal = UsbFolderRefusal(usb, machine);
  if (refusal.empty()) {
    shownUsbFolder_ = usb;
    setBoxText(id::Edit3, usb);
    if (usb != SyncAction->UFolderAbsPath()) SyncAction->SetUFolderAbsPath(usb);
  } else if (!SyncAction->Ostini().UFolderPath().empty()) {
    // Nothing stored means the drive's root, which is no choice of the
    // user's when the program lies deeper: the box just stays empty.
    refused(refusal);
  }

  filling_ = true;
  TOstiniFileAction& ini = SyncAction->Ostini();
  SendMessageW(Control(id::CheckBox2), BM_SETCHECK, ini.AllSync() ? BST_CHECKED : BST_UNCHECKED, 0);
  // The lists are shown but not read back from the boxes: the round trip
  // through the boxes quotes a pattern holding a blank once more each start.
  SetWindowTextW(Control(id::Memo3), platform::toWide(shownPatterns(ini.SyncFilesList())).c_str());
  SetWindowTextW(Control(id::Memo1), platform::toWide(shownPatterns(ini.NoSyncFilesList())).c_str());
  selectItem(*this, id::RadioGroup1Item0, ini.WhenSyncedFolderHasNewSameFile());
  selectItem(*this, id::RadioGroup2Item0, ini.WhenSyncedFolderHasNewFile());
  SendMessageW(Control(id::CheckBoxVersions), BM_SETCHECK, ini.KeepVersions() ? BST_CHECKED : BST_UNCHECKED, 0);
  setSpinValue(id::SpinVersionDays, ini.VersionDays());
  setSpinValue(id::SpinConfirmFiles, ini.ConfirmFiles());
  setSpinValue(id::SpinFatHours, ini.FatHours());
  filling_ = false;
  CheckBox2Click();
  CheckBoxVersionsClick();

  if (!refusals.empty()) showError(refusals);
}

void TSyncForm::setBoxText(int controlId, const std::string& value) {
  const bool wasFilling = filling_;
  filling_ = true;
  SetWindowTextW(Control(controlId), platform::toWide(value).c_str());
  filling_ = wasFilling;
}

int TSyncForm::spinValue(int spin) const {
  BOOL failed = FALSE;
  const LRESULT value = SendMessageW(spinArrows_.at(spin), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed));
  return static_cast<int>(value);
}

void TSyncForm::setSpinValue(int spin, int value) {
  const bool wasFilling = filling_;
  filling_ = true;
  SendMessageW(spinArrows_.at(spin), UDM_SETPOS32, 0, value);
  filling_ = wasFilling;
}

void TSyncForm::pickFolder(int edit) {
  BrowseInitDir = text(edit);
  std::string folder;
  const bool chosen = onPickFolder ? onPickFolder(folder) : SelectFolder(window_.get(), "", folder);
  // The box's change handler checks and stores the folder.
  if (chosen && !folder.empty()) SetWindowTextW(Control(edit), platform::toWide(folder).c_str());
}

void TSyncForm::Button2Click() { pickFolder(id::Edit1); }
void TSyncForm::Button5Click() { pickFolder(id::Edit3); }

void TSyncForm::Edit1Change() {
  if (filling_ || !SyncAction) return;
  const std::string T = text(id::Edit1);
  if (const std::string refusal = DiskFolderRefusal(T, SyncAction->Machine()); !refusal.empty()) {
    setBoxText(id::Edit1, shownDiskFolder_);
    showError(refusal);
    return;
  }
  shownDiskFolder_ = T;
  SyncAction->SetDFolderPath(T);
}

void TSyncForm::Edit3Change() {
  if (filling_ || !SyncAction) return;
  const std::string T = UsbFolderForm(text(id::Edit3), SyncAction->Machine());
  const std::string refusal = UsbFolderRefusal(T, SyncAction->Machine());
  if (!refusal.empty()) {
    setBoxText(id::Edit3, shownUsbFolder_);
    showError(refusal);
    return;
  }
  shownUsbFolder_ = T;
  setBoxText(id::Edit3, T);
  SyncAction->SetUFolderAbsPath(T);
}

void TSyncForm::CheckBoxVersionsClick() {
  const bool keep = SendMessageW(Control(id::CheckBoxVersions), BM_GETCHECK, 0, 0) == BST_CHECKED;
  EnableWindow(Control(id::SpinVersionDays), keep);
  EnableWindow(spinArrows_.at(id::SpinVersionDays), keep);
  if (SyncAction && !filling_) SyncAction->Ostini().SetKeepVersions(keep);
}

void TSyncForm::SpinVersionDaysChange() {
  if (SyncAction && !filling_) SyncAction->Ostini().SetVersionDays(spinValue(id::SpinVersionDays));
}

void TSyncForm::SpinConfirmFilesChange() {
  if (SyncAction && !filling_) SyncAction->Ostini().SetConfirmFiles(spinValue(id::SpinConfirmFiles));
}

void TSyncForm::SpinFatHoursChange() {
  if (SyncAction && !filling_) SyncAction->Ostini().SetFatHours(spinValue(id::SpinFatHours));
}

int TSyncForm::PageIndex() const {
  for (int i = 0; i < 3; ++i)
    // The page's own flag: the form itself may be hidden.
    if (GetWindowLongPtrW(Control(id::TabSheet1 + i), GWL_STYLE) & WS_VISIBLE) return i;
  return -1;
}

void TSyncForm::showPage(int index) {
  for (int i = 0; i < 3; ++i) ShowWindow(Control(id::TabSheet1 + i), i == index ? SW_SHOW : SW_HIDE);
}

void TSyncForm::Button1Click() { showPage(1); }
void TSyncForm::Button8Click() { showPage(2); }
void TSyncForm::Button9Click() { showPage(0); }

std::string TSyncForm::text(int controlId) const { return platform::fromWide(windowText(Control(controlId))); }

void TSyncForm::showError(const std::string& message) {
  if (onError) {
    onError(message);
    return;
  }
  MessageBoxW(window_.get(), platform::toWide(message).c_str(), L"CorvelDrovan", MB_OK | MB_ICONERROR);
}

bool TSyncForm::askBigChange(const TBigChange& change) {
  const std::string text = BigChangeQuestionText(change);
  if (StopSync) return false;
  if (onAskBigChange) return onAskBigChange(kBigChangeCaption, text);
  return AskBigChangeBox(window_.get(), kBigChangeCaption, text);
}

void TSyncForm::CheckBox2Click() {
  const bool all = SendMessageW(Control(id::CheckBox2), BM_GETCHECK, 0, 0) == BST_CHECKED;
  EnableWindow(Control(id::Memo3), !all);
  EnableWindow(Control(id::Memo1), !all);
  if (SyncAction && !filling_) SyncAction->Ostini().SetAllSync(all);
}

void TSyncForm::Memo3Change() {
  if (SyncAction && !filling_) storePatterns(text(id::Memo3), SyncAction->Ostini().SyncFilesList());
}

void TSyncForm::Memo1Change() {
  if (SyncAction && !filling_) storePatterns(text(id::Memo1), SyncAction->Ostini().NoSyncFilesList());
}

int TSyncForm::RadioGroup1Index() const { return selectedItem(*this, id::RadioGroup1Item0); }
int TSyncForm::RadioGroup2Index() const { return selectedItem(*this, id::RadioGroup2Item0); }

void TSyncForm::RadioGroup1Click() {
  if (SyncAction && !filling_) SyncAction->Ostini().SetWhenSyncedFolderHasNewSameFile(static_cast<std::int16_t>(RadioGroup1Index()));
}

void TSyncForm::RadioGroup2Click() {
  if (SyncAction && !filling_) SyncAction->Ostini().SetWhenSyncedFolderHasNewFile(static_cast<std::int16_t>(RadioGroup2Index()));
}

void TSyncForm::N6Click() {
  const std::wstring all = windowText(Control(id::Memo2));
  if (!OpenClipboard(window_.get())) return;
  EmptyClipboard();
  const std::size_t bytes = (all.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(GlobalLock(memory), all.c_str(), bytes);
    GlobalUnlock(memory);
    // The clipboard owns the memory once it has taken it.
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
}

void TSyncForm::N7Click() { log_->clear(); }

namespace {

bool saveDialog(HWND owner, const std::string& proposed, std::string& file) {
  std::wstring name = platform::toWide(proposed);
  name.resize(std::max<std::size_t>(name.size() + 1, 32768), L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"文本文件 (*.txt)\0*.txt\0所有文件\0*.*\0";
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrDefExt = L"txt";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return false;
  file = platform::fromWide(name.c_str());
  return true;
}

}  // namespace

void TSyncForm::N8Click() {
  std::string folder = ProgramFolder(SyncAction ? SyncAction->Machine() : platform::MachinePaths{});
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t stamp[32] = {};
  swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond);
  const std::string proposed = folder + "工作日志-" + platform::fromWide(stamp) + ".txt";
  std::string file;
  const bool chosen = onSaveFile ? onSaveFile(proposed, file) : saveDialog(window_.get(), proposed, file);
  if (!chosen || file.empty()) return;
  const platform::OsStatus status = platform::writeWholeFileAtomically(file, text(id::Memo2));
  if (!status.ok()) showError("无法保存工作日志：\n" + file + "\n" + FailureReason(status));
}

void TSyncForm::ApplicationEvents1Minimize() {
  // Without a notification area nothing could bring a hidden window back,
  // so it then stays minimised on the task bar.
  if (trayIcon_ && trayIcon_->ensureShown()) ShowWindow(window_.get(), SW_HIDE);
}

void TSyncForm::TrayIcon1DblClick() {
  ShowWindow(window_.get(), SW_RESTORE);
  ShowWindow(window_.get(), SW_SHOW);
  SetForegroundWindow(window_.get());
}

// Ends the program the orderly way, as closing the window does.
void TSyncForm::N5Click() { PostMessageW(window_.get(), WM_CLOSE, 0, 0); }

void TSyncForm::CheckSyncFolders() const { ::CheckSyncFolders(text(id::Edit1), text(id::Edit3)); }

void TSyncForm::syncButtonClick(int button, WindowControl control, TSyncType kind, bool dryRun) {
  // The button reads "停止" while its job runs.
  if (text(button) == "停止") {
    if (std::chrono::steady_clock::now() - jobStartedAt_ < kStopGuard) return;
    StopSync = true;
    return;
  }
  if (SyncRunning) return;
  try {
    CheckSyncFolders();
    if (!SyncAction) throw Exception("请设置好同步文件夹");
  } catch (const Exception& e) {
    showError(e.what());
    return;
  }
  StartJob(control, kind, JobSettingsFrom(*SyncAction), dryRun);
}

void TSyncForm::StartJob(WindowControl control, TSyncType kind, TJobSettings settings, bool dryRun) {
  jobStartedAt_ = std::chrono::steady_clock::now();
  std::string refusal;
  auto report = StartWindowJob(Handle(), *renderer_, {control, kind, dryRun}, std::move(settings), refusal);
  if (!report) {
    showError(refusal);
    return;
  }
  lastJob_ = std::move(report);
  if (control == WindowControl::BtnPreview) previewJob_ = lastJob_;
}

void TSyncForm::BtnSyncClick() { syncButtonClick(id::BtnSync, WindowControl::BtnSync, TSyncType::AutoSync); }
void TSyncForm::BtnSyncDiskToUClick() {
  syncButtonClick(id::BtnSyncDiskToU, WindowControl::BtnSyncDiskToU, TSyncType::DiskSync);
}
void TSyncForm::BtnSyncUToDiskClick() {
  syncButtonClick(id::BtnSyncUToDisk, WindowControl::BtnSyncUToDisk, TSyncType::USync);
}

void TSyncForm::FormClose(TCloseAction& Action) {
  if (!SyncRunning) return;
  StopSync = true;
  CloseAfterSync = true;
  if (SyncRunning) Action = TCloseAction::caNone;
}

platform::LRESULT TSyncForm::WndProc(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  try {
    if (renderer_->handle(msg, wParam, lParam)) {
      progressMessage(msg, wParam);
      // The pane paints at the display's pace, and at once when a job ends.
      if (msg == WM_SYNCEND || msg == WM_AUTOSYNCSTOPPED) log_->paintNow();
      if (msg == WM_SYNCEND && previewJob_ && previewJob_ == lastJob_) {
        endedPreview_ = std::move(previewJob_);
        PostMessageW(window_.get(), WM_PREVIEWENDED, 0, 0);
      }
      return 0;
    }
  } catch (const std::exception&) {
    // A pane that cannot take a line must not break the job's protocol.
  }
  if (msg == WM_CONFIRMBIGCHANGE) {
    // The user must see what the question is about.
    log_->paintNow();
    return askBigChange(bigChangeFromParam(wParam)) ? 1 : 0;
  }
  if (msg == WM_SYSCOMMAND && wParam == SC_CLOSE) PostMessageW(window_.get(), WM_CLOSE, 0, 0);
  return 0;
}

void TSyncForm::command(int controlId, int code) {
  if (code == EN_CHANGE) {
    if (controlId == id::Memo2) log_->textEdited();
    if (controlId == id::Memo3) Memo3Change();
    if (controlId == id::Memo1) Memo1Change();
    if (controlId == id::Edit1) Edit1Change();
    if (controlId == id::Edit3) Edit3Change();
    if (controlId == id::SpinVersionDays) SpinVersionDaysChange();
    if (controlId == id::SpinConfirmFiles) SpinConfirmFilesChange();
    if (controlId == id::SpinFatHours) SpinFatHoursChange();
    return;
  }
  if (code != BN_CLICKED) return;
  switch (controlId) {
    case id::Button1: Button1Click(); break;
    case id::Button8: Button8Click(); break;
    case id::Button9:
    case id::Button15: Button9Click(); break;
    case id::BtnSync: BtnSyncClick(); break;
    case id::BtnSyncDiskToU: BtnSyncDiskToUClick(); break;
    case id::BtnSyncUToDisk: BtnSyncUToDiskClick(); break;
    case id::BtnPreview: BtnPreviewClick(); break;
    case id::CheckBox2: CheckBox2Click(); break;
    case id::CheckBoxVersions: CheckBoxVersionsClick(); break;
    case id::Button2: Button2Click(); break;
    case id::Button5: Button5Click(); break;
    case id::RadioGroup1Item0:
    case id::RadioGroup1Item1:
    case id::RadioGroup1Item2: RadioGroup1Click(); break;
    case id::RadioGroup2Item0:
    case id::RadioGroup2Item1:
    case id::RadioGroup2Item2: RadioGroup2Click(); break;
    case id::N1: N1Click(); break;
    case id::U1: U1Click(); break;
    case id::U2: U2Click(); break;
    case id::N5: N5Click(); break;
    case id::N6: N6Click(); break;
    case id::N7: N7Click(); break;
    case id::N8: N8Click(); break;
    default: break;
  }
}

LRESULT TSyncForm::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kPaintTimer) {
        log_->paintNow();
        return 0;
      }
      if (wParam == kProgressTimer) {
        refreshProgress();
        return 0;
      }
      if (wParam == kPreviewedSyncTimer) {
        startPreviewedSync();
        return 0;
      }
      break;
    case WM_PREVIEWENDED:
      previewEnded();
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) ApplicationEvents1Minimize();
      break;
    case WM_TRAYICON:
      if (lParam == WM_LBUTTONDBLCLK) TrayIcon1DblClick();
      if (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU) {
        POINT at{};
        GetCursorPos(&at);
        // The menu closes when the user clicks elsewhere only if the window
        // is in front while it shows.
        SetForegroundWindow(window_.get());
        TrackPopupMenu(popupMenu1_.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, window_.get(), nullptr);
        PostMessageW(window_.get(), WM_NULL, 0, 0);
      }
      return 0;
    case WM_CLOSE: {
      TCloseAction action = TCloseAction::caFree;
      FormClose(action);
      if (action == TCloseAction::caFree && onClosed) onClosed();
      return 0;
    }
    default:
      // A shell that restarted has lost the icons of the programs running.
      if (msg == taskbarCreated_ && msg != 0) {
        if (trayIcon_) trayIcon_->ensureShown();
        return 0;
      }
      if ((msg >= WM_COPYSTOPPED && msg <= WM_AUTOSYNCON) || msg == WM_CONFIRMBIGCHANGE)
        return WndProc(msg, wParam, lParam);
      if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        WndProc(msg, wParam & 0xFFF0, lParam);
        return 0;
      }
      break;
  }
  return DefWindowProcW(window_.get(), msg, wParam, lParam);
}

LRESULT CALLBACK TSyncForm::FormProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TSyncForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, msg, wParam, lParam);
  return form->handle(msg, wParam, lParam);
}
