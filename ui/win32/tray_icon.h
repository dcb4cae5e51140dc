// The window's icon in the notification area (TrayIcon1): added while it
// lives, removed with it. Its clicks arrive at the owner as `callback`
// messages whose lParam is the mouse message.
#pragma once

#include <string>

#include "ui/win32/win_api.h"

namespace win32ui {

class TrayIcon {
 public:
  TrayIcon(HWND owner, UINT callback, HICON icon, const std::string& tip);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // False when the system has no notification area to take it.
  bool shown() const { return shown_; }
  // Whether the icon is there now, adding it again when it is not: the
  // notification area may have come up since, or lost its icons (the shell
  // restarted). False when there still is none to take it.
  bool ensureShown();
  // The tool tip; kept when there is no icon to show it.
  void setTip(const std::string& tip);
  const std::string& tip() const { return tip_; }

 private:
  HWND owner_;
  UINT callback_;
  HICON icon_;
  std::string tip_;
  bool shown_ = false;
};

}  // namespace win32ui
