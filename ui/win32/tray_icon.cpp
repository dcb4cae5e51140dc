#include "ui/win32/tray_icon.h"

#include <shellapi.h>

#include "platform/wide_text.h"

namespace win32ui {

namespace {
constexpr UINT kIconId = 1;
}

TrayIcon::TrayIcon(HWND owner, UINT callback, HICON icon, const std::string& tip) : owner_(owner) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callback;
  data.hIcon = icon;
  const std::wstring text = platform::toWide(tip);
  wcsncpy(data.szTip, text.c_str(), sizeof data.szTip / sizeof data.szTip[0] - 1);
  shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

TrayIcon::~TrayIcon() {
  if (!shown_) return;
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = owner_;
  data.uID = kIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

}  // namespace win32ui
