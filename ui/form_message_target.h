// The window's end of the job messages: a MessageTarget that runs every
// message on the GUI thread. A message sent from the job's thread waits there
// until the window has handled it, so lines arrive in order and the texts and
// records passed by address stay valid; a message sent on the GUI thread
// itself is handled at once; a posted message is queued and handled later.
// Sent and posted messages from other threads are handled in the order they
// arrived.
//
// A job sends thousands of messages a second, and a wake-up of the GUI thread
// through the event loop and back costs more than handling most of them. So
// the GUI thread, once woken, keeps listening for a short while after each
// message and the sender watches for its answer a little before it sleeps:
// while messages come quickly, neither thread goes through the kernel's
// scheduler per message. The GUI thread returns to its event loop at least
// every kListenBudget, so the window stays responsive.
//
// A handler may leave the tail of its work to a finisher, which runs right
// after the sender has its answer and before the next message: work that no
// one can see before then (Qt hearing of a change to the log pane) need not
// keep the job waiting.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/messages.h"

class QThread;

class FormMessageTarget : public platform::MessageTarget,
                          public std::enable_shared_from_this<FormMessageTarget> {
 public:
  using Handler = std::function<platform::LRESULT(platform::UINT, platform::WPARAM, platform::LPARAM)>;
  using Finisher = std::function<void()>;

  // How long the GUI thread waits for the next message before it returns to
  // its event loop, and how long it handles messages without returning.
  static constexpr std::chrono::microseconds kListenWindow{300};
  static constexpr std::chrono::milliseconds kListenBudget{8};
  // How long a sender watches for its answer before it sleeps.
  static constexpr std::chrono::microseconds kAnswerWatch{60};

  // Create it on the GUI thread, with the application object in place; it
  // must be owned by a shared_ptr. The handler and the finisher run on the
  // GUI thread only; the finisher after every message the handler handled.
  static std::shared_ptr<FormMessageTarget> create(Handler handler, Finisher finisher = nullptr);

  // Stops delivery: messages queued or sent later reach nothing and return 0.
  // GUI thread; call it before the handler's owner goes away.
  void detach();

  // Any thread. A sent message that can no longer be handled (the
  // application object is gone) returns 0 without having been handled.
  platform::LRESULT send(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) override;
  void post(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) override;

 private:
  struct Answer {
    std::atomic<bool> ready{false};
    platform::LRESULT result = 0;
  };
  struct Queued {
    platform::UINT msg;
    platform::WPARAM wParam;
    platform::LPARAM lParam;
    std::shared_ptr<Answer> answer;  // none for a posted message
  };

  FormMessageTarget(Handler handler, Finisher finisher, QThread* guiThread);
  // GUI thread.
  platform::LRESULT deliver(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);
  void finish();
  // Any thread: queues the message and wakes the GUI thread unless it is
  // listening. False when there is no event loop to wake.
  bool enqueue(Queued item);
  // GUI thread, from the event loop: handles what is queued, and what comes
  // while it listens.
  void drain();
  // Answers every queued send with 0: the event loop that would have handled
  // them is gone.
  void abandon();
  static void answer(Answer& answer, platform::LRESULT result);

  Handler handler_;
  Finisher finisher_;
  QThread* guiThread_;
  std::mutex lock_;
  std::deque<Queued> queue_;         // under lock_
  bool listening_ = false;           // under lock_: the GUI thread will look again
  bool wakePosted_ = false;          // under lock_: a drain is on its way
  std::atomic<std::size_t> queued_{0};  // queue_.size(), read while listening without the lock
};
