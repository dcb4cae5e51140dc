// The window's end of the job messages: a MessageTarget whose send is a
// SendMessageW to the form's window and whose post is a PostMessageW. The
// system runs a message sent from the job's thread on the window's thread
// and keeps the sender waiting until it has been handled, so the texts and
// records passed by address stay valid.
#pragma once

#include "ui/win32/win_api.h"

#include <atomic>

#include "platform/messages.h"

namespace win32ui {

class WindowMessageTarget : public platform::MessageTarget {
 public:
  explicit WindowMessageTarget(HWND window) : window_(window) {}

  // Stops delivery before the window goes: later messages return 0.
  void detach() { window_.store(nullptr); }

  platform::LRESULT send(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) override;
  void post(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) override;

 private:
  std::atomic<HWND> window_;
};

}  // namespace win32ui
