// The window's end of the job messages: a MessageTarget that runs every
// message on the GUI thread. A message sent from the job's thread waits there
// until the window has handled it (a blocking queued call), so lines arrive
// in order and the texts and records passed by address stay valid; a message
// sent on the GUI thread itself is handled at once; a posted message is
// queued and handled later by the event loop.
#pragma once

#include <functional>
#include <memory>

#include "platform/messages.h"

class QThread;

class FormMessageTarget : public platform::MessageTarget,
                          public std::enable_shared_from_this<FormMessageTarget> {
 public:
  using Handler = std::function<platform::LRESULT(platform::UINT, platform::WPARAM, platform::LPARAM)>;

  // Create it on the GUI thread, with the application object in place; it
  // must be owned by a shared_ptr. The handler runs on the GUI thread only.
  static std::shared_ptr<FormMessageTarget> create(Handler handler);

  // Stops delivery: messages queued or sent later reach nothing and return 0.
  // GUI thread; call it before the handler's owner goes away.
  void detach();

  // Any thread. A sent message whose queued call is dropped (the application
  // object is gone) returns 0 without having been handled.
  platform::LRESULT send(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) override;
  void post(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) override;

 private:
  FormMessageTarget(Handler handler, QThread* guiThread);
  // GUI thread.
  platform::LRESULT deliver(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);

  Handler handler_;
  QThread* guiThread_;
};
