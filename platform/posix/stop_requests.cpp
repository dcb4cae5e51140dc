// Stop requests as POSIX signals, handled with std::signal so a handler in
// place before (a test's, a host's) comes back unchanged.
#include "platform/stop_requests.h"

#include <csignal>

namespace platform {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free, "read from a signal handler");

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The flag each signal sets; read by the handler, so plain atomics only.
std::atomic<std::atomic<bool>*> flags[3] = {};

extern "C" void onStopRequest(int signal) {
  for (int i = 0; i < 3; ++i) {
    if (kSignals[i] != signal) continue;
    if (std::atomic<bool>* flag = flags[i].load()) flag->store(true);
  }
}

void restore(int signal, void (*previous)(int)) {
  std::signal(signal, previous == SIG_ERR ? SIG_DFL : previous);
}

}  // namespace

ScopedStopRequests::ScopedStopRequests(std::atomic<bool>& flag,
                                       std::initializer_list<StopRequestRule> rules) {
  for (const StopRequestRule& rule : rules) {
    const int i = static_cast<int>(rule.kind);
    flags[i].store(&flag);
    taken_[i] = true;
    previous_[i] = std::signal(kSignals[i], onStopRequest);
    if (rule.ignored == WhenIgnored::StayIgnored && previous_[i] == SIG_IGN) std::signal(kSignals[i], SIG_IGN);
  }
}

ScopedStopRequests::~ScopedStopRequests() {
  for (int i = 0; i < kKinds; ++i) {
    if (!taken_[i]) continue;
    restore(kSignals[i], previous_[i]);
    flags[i].store(nullptr);
  }
}

ScopedBrokenPipeAsError::ScopedBrokenPipeAsError() : previous_(std::signal(SIGPIPE, SIG_IGN)) {}

ScopedBrokenPipeAsError::~ScopedBrokenPipeAsError() { restore(SIGPIPE, previous_); }

}  // namespace platform
