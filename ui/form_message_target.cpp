#include "ui/form_message_target.h"

#include <QCoreApplication>
#include <QThread>

std::shared_ptr<FormMessageTarget> FormMessageTarget::create(Handler handler) {
  return std::shared_ptr<FormMessageTarget>(new FormMessageTarget(std::move(handler), QThread::currentThread()));
}

FormMessageTarget::FormMessageTarget(Handler handler, QThread* guiThread)
    : handler_(std::move(handler)), guiThread_(guiThread) {}

void FormMessageTarget::detach() { handler_ = nullptr; }

platform::LRESULT FormMessageTarget::deliver(platform::UINT msg, platform::WPARAM wParam,
                                             platform::LPARAM lParam) {
  return handler_ ? handler_(msg, wParam, lParam) : 0;
}

platform::LRESULT FormMessageTarget::send(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  if (QThread::currentThread() == guiThread_) return deliver(msg, wParam, lParam);
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return 0;
  platform::LRESULT result = 0;
  // The call holds the target alive; it runs on the application object's
  // thread, which is the GUI thread, and this thread waits for it.
  QMetaObject::invokeMethod(
      app, [self = shared_from_this(), msg, wParam, lParam, &result] { result = self->deliver(msg, wParam, lParam); },
      Qt::BlockingQueuedConnection);
  return result;
}

void FormMessageTarget::post(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app, [self = shared_from_this(), msg, wParam, lParam] { self->deliver(msg, wParam, lParam); },
      Qt::QueuedConnection);
}
