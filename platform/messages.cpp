#include "platform/messages.h"

#include <algorithm>
#include <unordered_map>

namespace platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<HWND, std::shared_ptr<MessageTarget>> targets;
  HWND next = 1;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

std::shared_ptr<MessageTarget> lookup(HWND handle) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.targets.find(handle);
  return it == r.targets.end() ? nullptr : it->second;
}

}  // namespace

HWND registerMessageTarget(std::shared_ptr<MessageTarget> target) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  const HWND handle = r.next++;
  r.targets.emplace(handle, std::move(target));
  return handle;
}

void unregisterMessageTarget(HWND handle) {
  std::shared_ptr<MessageTarget> released;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.targets.find(handle);
    if (it == r.targets.end()) return;
    released = std::move(it->second);
    r.targets.erase(it);
  }
  // The target may be destroyed here, outside the registry lock.
}

LRESULT SendMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto target = lookup(handle);
  return target ? target->send(msg, wParam, lParam) : 0;
}

bool PostMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto target = lookup(handle);
  if (!target) return false;
  target->post(msg, wParam, lParam);
  return true;
}

InlineReceiver::InlineReceiver(Handler handler) : handler_(std::move(handler)) {}

LRESULT InlineReceiver::send(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(handlerMutex_);
  return handler_ ? handler_(msg, wParam, lParam) : 0;
}

void InlineReceiver::post(UINT msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back({msg, wParam, lParam});
  }
  queueChanged_.notify_all();
}

int InlineReceiver::dispatchPosted() {
  std::deque<Posted> batch;
  {
    std::lock_guard lock(queueMutex_);
    batch.swap(queue_);
  }
  for (const Posted& p : batch) send(p.msg, p.wParam, p.lParam);
  return static_cast<int>(batch.size());
}

bool InlineReceiver::waitForPosted(UINT msg, std::chrono::milliseconds timeout) {
  std::unique_lock lock(queueMutex_);
  return queueChanged_.wait_for(lock, timeout, [&] {
    return std::any_of(queue_.begin(), queue_.end(), [&](const Posted& p) { return p.msg == msg; });
  });
}

}  // namespace platform
