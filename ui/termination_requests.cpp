#include "ui/termination_requests.h"

#include <atomic>
#include <csignal>

#include <QTimer>

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void noteRequest(int) { requested.store(true); }

}  // namespace

TerminationRequests::TerminationRequests(std::function<void()> onRequest)
    : timer_(std::make_unique<QTimer>()) {
  requested.store(false);
  previousTerm_ = std::signal(SIGTERM, noteRequest);
  previousHup_ = std::signal(SIGHUP, noteRequest);
  // A signal the starter chose to ignore (nohup) stays ignored.
  if (previousTerm_ == SIG_IGN) std::signal(SIGTERM, SIG_IGN);
  if (previousHup_ == SIG_IGN) std::signal(SIGHUP, SIG_IGN);
  timer_->setInterval(200);
  QObject::connect(timer_.get(), &QTimer::timeout, [this, onRequest = std::move(onRequest)] {
    if (!requested.exchange(false)) return;
    onRequest();
  });
  timer_->start();
}

TerminationRequests::~TerminationRequests() {
  timer_->stop();
  std::signal(SIGTERM, previousTerm_ == SIG_ERR ? SIG_DFL : previousTerm_);
  std::signal(SIGHUP, previousHup_ == SIG_ERR ? SIG_DFL : previousHup_);
}
