// Window handles and messages. A receiver registers a target and gets a
// handle; SendMessage blocks until the target has handled the message on the
// target's own thread, PostMessage queues it and returns. A handle without a
// target is ignored: SendMessage returns 0, PostMessage returns false.
// Handles are never reused, so a stale handle cannot reach a new window.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

using HWND = std::uintptr_t;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr WPARAM SC_CLOSE = 0xF060;

// What a handle leads to. Implementations decide on which thread a message is
// handled; send() must not return before it has been handled.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  virtual LRESULT send(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual void post(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

// Registers a target; thread-safe. The registry keeps the target alive while
// a call into it is in progress, also when it is unregistered meanwhile.
HWND registerMessageTarget(std::shared_ptr<MessageTarget> target);
void unregisterMessageTarget(HWND handle);

LRESULT SendMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam);
bool PostMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam);

// A target that handles sent messages at once on the sender's thread (one at
// a time) and keeps posted ones until its owner dispatches them. For the
// command line and tests, whose "window" has no thread of its own.
class InlineReceiver : public MessageTarget {
 public:
  using Handler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

  explicit InlineReceiver(Handler handler);
  LRESULT send(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void post(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Runs every queued posted message through the handler on the calling
  // thread; returns how many ran.
  int dispatchPosted();
  // Waits until a message with this number has been posted (and not yet
  // dispatched), up to the timeout; true when it has.
  bool waitForPosted(UINT msg, std::chrono::milliseconds timeout);

 private:
  struct Posted {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  Handler handler_;
  std::mutex handlerMutex_;
  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<Posted> queue_;
};

// Registration that ends with its owner.
class ScopedMessageTarget {
 public:
  explicit ScopedMessageTarget(std::shared_ptr<MessageTarget> target)
      : handle_(registerMessageTarget(std::move(target))) {}
  ~ScopedMessageTarget() { unregisterMessageTarget(handle_); }
  ScopedMessageTarget(const ScopedMessageTarget&) = delete;
  ScopedMessageTarget& operator=(const ScopedMessageTarget&) = delete;
  HWND handle() const { return handle_; }

 private:
  HWND handle_;
};

}  // namespace platform
