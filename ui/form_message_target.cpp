#include "ui/form_message_target.h"

#include <algorithm>
#include <thread>

#include <QCoreApplication>
#include <QThread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// One step of a short busy wait: a pause at first, then the processor is
// offered to others, so a loaded machine loses little to the waiting.
void relax(int& steps) {
#if defined(__x86_64__) || defined(__i386__)
  if (++steps < 200) {
    _mm_pause();
    return;
  }
#else
  (void)steps;
#endif
  std::this_thread::yield();
}

}  // namespace

std::shared_ptr<FormMessageTarget> FormMessageTarget::create(Handler handler, Finisher finisher) {
  return std::shared_ptr<FormMessageTarget>(
      new FormMessageTarget(std::move(handler), std::move(finisher), QThread::currentThread()));
}

FormMessageTarget::FormMessageTarget(Handler handler, Finisher finisher, QThread* guiThread)
    : handler_(std::move(handler)), finisher_(std::move(finisher)), guiThread_(guiThread) {}

void FormMessageTarget::detach() {
  handler_ = nullptr;
  finisher_ = nullptr;
}

platform::LRESULT FormMessageTarget::deliver(platform::UINT msg, platform::WPARAM wParam,
                                             platform::LPARAM lParam) {
  return handler_ ? handler_(msg, wParam, lParam) : 0;
}

void FormMessageTarget::finish() {
  if (finisher_) finisher_();
}

void FormMessageTarget::answer(Answer& answer, platform::LRESULT result) {
  answer.result = result;
  answer.ready.store(true, std::memory_order_release);
  answer.ready.notify_one();
}

bool FormMessageTarget::enqueue(Queued item) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  bool wake = false;
  {
    std::lock_guard hold(lock_);
    queue_.push_back(std::move(item));
    queued_.store(queue_.size());
    wake = !listening_ && !wakePosted_;
    if (wake) wakePosted_ = true;
  }
  if (!wake) return true;
  // The call runs on the application object's thread, the GUI thread. When
  // it is dropped unrun (the application object is gone), nobody will
  // answer what waits.
  struct Wake {
    explicit Wake(std::shared_ptr<FormMessageTarget> target) : self(std::move(target)) {}
    ~Wake() {
      if (!ran) self->abandon();
    }
    Wake(const Wake&) = delete;
    Wake& operator=(const Wake&) = delete;
    std::shared_ptr<FormMessageTarget> self;
    bool ran = false;
  };
  auto wakeUp = std::make_shared<Wake>(shared_from_this());
  QMetaObject::invokeMethod(
      app,
      [wakeUp] {
        wakeUp->ran = true;
        wakeUp->self->drain();
      },
      Qt::QueuedConnection);
  return true;
}

void FormMessageTarget::drain() {
  const auto budgetEnd = Clock::now() + kListenBudget;
  std::unique_lock hold(lock_);
  wakePosted_ = false;
  for (;;) {
    if (queue_.empty()) {
      listening_ = true;
      hold.unlock();
      const auto listenEnd = std::min(Clock::now() + kListenWindow, budgetEnd);
      int steps = 0;
      while (queued_.load() == 0 && Clock::now() < listenEnd) relax(steps);
      hold.lock();
      if (queue_.empty()) {
        listening_ = false;
        return;
      }
    }
    if (Clock::now() >= budgetEnd) {
      // Back to the event loop for input and painting; the rest follows.
      listening_ = false;
      hold.unlock();
      if (QCoreApplication* app = QCoreApplication::instance()) {
        hold.lock();
        const bool wake = !wakePosted_ && !queue_.empty();
        if (wake) wakePosted_ = true;
        hold.unlock();
        if (wake)
          QMetaObject::invokeMethod(app, [self = shared_from_this()] { self->drain(); }, Qt::QueuedConnection);
      }
      return;
    }
    Queued item = std::move(queue_.front());
    queue_.pop_front();
    queued_.store(queue_.size());
    // A handler may run an event loop of its own (a question to the user);
    // what arrives meanwhile must wake that loop.
    listening_ = false;
    hold.unlock();
    const platform::LRESULT result = deliver(item.msg, item.wParam, item.lParam);
    if (item.answer) answer(*item.answer, result);
    finish();
    hold.lock();
  }
}

void FormMessageTarget::abandon() {
  std::lock_guard hold(lock_);
  for (Queued& item : queue_)
    if (item.answer) answer(*item.answer, 0);
  queue_.clear();
  queued_.store(0);
  wakePosted_ = false;
}

platform::LRESULT FormMessageTarget::send(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  if (QThread::currentThread() == guiThread_) {
    const platform::LRESULT result = deliver(msg, wParam, lParam);
    finish();
    return result;
  }
  auto waiting = std::make_shared<Answer>();
  if (!enqueue({msg, wParam, lParam, waiting})) return 0;
  const auto watchEnd = Clock::now() + kAnswerWatch;
  int steps = 0;
  while (!waiting->ready.load(std::memory_order_acquire)) {
    if (Clock::now() >= watchEnd) {
      waiting->ready.wait(false, std::memory_order_acquire);
      break;
    }
    relax(steps);
  }
  return waiting->result;
}

void FormMessageTarget::post(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  enqueue({msg, wParam, lParam, nullptr});
}
