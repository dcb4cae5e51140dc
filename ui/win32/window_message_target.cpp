#include "ui/win32/window_message_target.h"

namespace win32ui {

platform::LRESULT WindowMessageTarget::send(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  const HWND window = window_.load();
  return window ? SendMessageW(window, msg, wParam, lParam) : 0;
}

void WindowMessageTarget::post(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  if (const HWND window = window_.load()) PostMessageW(window, msg, wParam, lParam);
}

}  // namespace win32ui
