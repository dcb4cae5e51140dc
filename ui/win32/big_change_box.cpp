#include "ui/win32/big_change_box.h"

#include <algorithm>
#include <stdexcept>

#include "inventory/pglobal.h"
#include "platform/wide_text.h"
#include "ui/win32/form_font.h"
#include "ui/win32/win_handles.h"

namespace win32ui {

namespace {

constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchInterval = 100;  // milliseconds, as the Qt box watches
constexpr int kMargin = 12, kIcon = 32, kButtonHeight = 25, kButtonGap = 8;
constexpr int kMaxTextWidth = 600;

struct BoxState {
  bool answered = false;
  bool goAhead = false;
};

void answer(HWND box, bool goAhead) {
  auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(box, GWLP_USERDATA));
  if (!state || state->answered) return;
  state->answered = true;
  state->goAhead = goAhead;
}

LRESULT CALLBACK boxProc(HWND box, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(box, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case WM_COMMAND:
      // Escape comes as IDCANCEL.
      if (LOWORD(wParam) == kGoAheadButton) answer(box, true);
      if (LOWORD(wParam) == kDontSyncButton || LOWORD(wParam) == IDCANCEL) answer(box, false);
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(kDontSyncButton, DC_HASDEFID);
    case WM_TIMER:
      if (wParam == kWatchTimer && StopSync) answer(box, false);
      return 0;
    case WM_CLOSE:
      answer(box, false);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(box, msg, wParam, lParam);
}

void registerBoxClass() {
  static const bool registered = [] {
    WNDCLASSEXW box{};
    box.cbSize = sizeof box;
    box.lpfnWndProc = &boxProc;
    box.hInstance = GetModuleHandleW(nullptr);
    box.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    box.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    box.lpszClassName = kBigChangeBoxClass;
    return RegisterClassExW(&box) != 0;
  }();
  if (!registered) throw std::runtime_error("the question's window class cannot be registered");
}

SIZE textSize(HFONT font, const std::wstring& text, UINT format, int width) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return {r.right - r.left, r.bottom - r.top};
}

// The owner's middle when it is shown, else the work area's.
POINT centre(HWND owner) {
  RECT r{};
  if (owner && IsWindowVisible(owner) && !IsIconic(owner))
    GetWindowRect(owner, &r);
  else
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Holds the owner disabled while the box is open.
class DisabledOwner {
 public:
  explicit DisabledOwner(HWND owner) : owner_(owner), wasEnabled_(owner && !EnableWindow(owner, FALSE)) {}
  ~DisabledOwner() {
    if (wasEnabled_) EnableWindow(owner_, TRUE);
  }
  DisabledOwner(const DisabledOwner&) = delete;
  DisabledOwner& operator=(const DisabledOwner&) = delete;

 private:
  HWND owner_;
  bool wasEnabled_;
};

}  // namespace

bool AskBigChangeBox(HWND owner, const std::string& caption, const std::string& text) {
  if (StopSync) return false;
  registerBoxClass();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const UniqueFont font(CreateFormFont(12));
  const std::wstring wideText = platform::toWide(text);
  // As wide as its longest line up to a limit; a longer line (a deep path)
  // is broken as an edit box breaks it.
  const int width = std::min<int>(textSize(font.get(), wideText, DT_EXPANDTABS, 0).cx, kMaxTextWidth);
  const SIZE shown = textSize(font.get(), wideText, DT_EXPANDTABS | DT_WORDBREAK | DT_EDITCONTROL, width);
  const std::wstring goAhead = L"继续同步", dontSync = L"不同步";
  const int buttonWidth =
      std::max<int>({90, textSize(font.get(), goAhead, 0, 0).cx + 24, textSize(font.get(), dontSync, 0, 0).cx + 24});

  const int textLeft = kMargin + kIcon + kMargin;
  const int clientWidth = std::max<int>(textLeft + shown.cx + kMargin, kMargin + 2 * buttonWidth + kButtonGap + kMargin);
  const int buttonsTop = kMargin + std::max<int>(kIcon, shown.cy) + 2 * kMargin;
  const int clientHeight = buttonsTop + kButtonHeight + kMargin;
  constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  constexpr DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  const POINT middle = centre(owner);

  BoxState state;
  const UniqueWindow box(CreateWindowExW(exStyle, kBigChangeBoxClass, platform::toWide(caption).c_str(), style,
                                         middle.x - w / 2, middle.y - h / 2, w, h, owner, nullptr, instance,
                                         &state));
  if (!box) throw std::runtime_error("the question cannot be shown");
  const auto child = [&](const wchar_t* cls, const wchar_t* title, DWORD childStyle, int id, int x, int y,
                         int cx, int cy) {
    const HWND made = CreateWindowExW(0, cls, title, WS_CHILD | WS_VISIBLE | childStyle, x, y, cx, cy, box.get(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    return made;
  };
  const HWND icon = child(L"STATIC", nullptr, SS_ICON, -1, kMargin, kMargin, kIcon, kIcon);
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)), 0);
  child(L"STATIC", wideText.c_str(), SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, -1, textLeft, kMargin, shown.cx,
        shown.cy);
  const int right = clientWidth - kMargin;
  child(L"BUTTON", goAhead.c_str(), BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, kGoAheadButton,
        right - 2 * buttonWidth - kButtonGap, buttonsTop, buttonWidth, kButtonHeight);
  const HWND no = child(L"BUTTON", dontSync.c_str(), BS_DEFPUSHBUTTON | WS_TABSTOP, kDontSyncButton,
                        right - buttonWidth, buttonsTop, buttonWidth, kButtonHeight);

  const DisabledOwner disabled(owner);
  SetTimer(box.get(), kWatchTimer, kWatchInterval, nullptr);
  ShowWindow(box.get(), SW_SHOW);
  SetForegroundWindow(box.get());
  SetFocus(no);
  while (!state.answered) {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The program ends: the loop that waits for it must see the quit too.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (IsDialogMessageW(box.get(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  KillTimer(box.get(), kWatchTimer);
  // The owner is enabled again before the box goes, so that it takes the
  // activation back.
  return state.answered && state.goAhead;
}

}  // namespace win32ui
