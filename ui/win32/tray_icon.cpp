#include "ui/win32/tray_icon.h"

#include <shellapi.h>

#include "platform/wide_text.h"

namespace win32ui {

namespace {

constexpr UINT kIconId = 1;

NOTIFYICONDATAW iconData(HWND owner, UINT callback, HICON icon, const std::string& tip) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callback;
  data.hIcon = icon;
  const std::wstring text = platform::toWide(tip);
  wcsncpy(data.szTip, text.c_str(), sizeof data.szTip / sizeof data.szTip[0] - 1);
  return data;
}

}  // namespace

TrayIcon::TrayIcon(HWND owner, UINT callback, HICON icon, const std::string& tip)
    : owner_(owner), callback_(callback), icon_(icon), tip_(tip) {
  NOTIFYICONDATAW data = iconData(owner, callback, icon, tip);
  shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool TrayIcon::ensureShown() {
  NOTIFYICONDATAW data = iconData(owner_, callback_, icon_, tip_);
  if (shown_ && Shell_NotifyIconW(NIM_MODIFY, &data)) return true;
  shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  return shown_;
}

void TrayIcon::setTip(const std::string& tip) {
  if (tip == tip_) return;
  tip_ = tip;
  if (!shown_) return;
  NOTIFYICONDATAW data = iconData(owner_, callback_, icon_, tip);
  Shell_NotifyIconW(NIM_MODIFY, &data);
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
