#include "platform/linux/look_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace platform::detail {
namespace {

// Three requests waiting besides the caller's keep a daemon busy; more
// only queue up behind it.
constexpr int kHelpers = 3;

struct Batch {
  const std::function<void(std::size_t)>* look = nullptr;
  std::size_t count = 0;
  std::atomic<std::size_t> next{0};
  int helpers = 0;  // pool threads working on it; guarded by the pool's mutex

  void work() {
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) (*look)(i);
  }
};

class LookPool {
 public:
  static LookPool& instance() {
    static LookPool pool;
    return pool;
  }

  void run(Batch& batch) {
    start();
    {
      std::lock_guard lock(mutex_);
      waiting_.push_back(&batch);
    }
    wake_.notify_all();
    batch.work();
    std::unique_lock lock(mutex_);
    std::erase(waiting_, &batch);
    // A helper may still be inside a look it took before the last was handed out.
    finished_.wait(lock, [&] { return batch.helpers == 0; });
  }

  ~LookPool() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

 private:
  void start() {
    std::call_once(started_, [this] {
      // Without helpers the caller does every look itself.
      try {
        for (int i = 0; i < kHelpers; ++i) threads_.emplace_back([this] { help(); });
      } catch (const std::system_error&) {
      }
    });
  }

  void help() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      Batch* batch = waiting_.front();
      ++batch->helpers;
      lock.unlock();
      batch->work();
      lock.lock();
      std::erase(waiting_, batch);  // all of it handed out
      if (--batch->helpers == 0) finished_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::deque<Batch*> waiting_;
  bool stopping_ = false;
  std::once_flag started_;
  std::vector<std::thread> threads_;
};

}  // namespace

void runLooks(std::size_t count, const std::function<void(std::size_t)>& look) {
  if (count < 2) {
    for (std::size_t i = 0; i < count; ++i) look(i);
    return;
  }
  Batch batch;
  batch.look = &look;
  batch.count = count;
  LookPool::instance().run(batch);
}

}  // namespace platform::detail
