#include "ui/termination_requests.h"

#include <QTimer>

// A request the starter chose to ignore (nohup) stays ignored.
TerminationRequests::TerminationRequests(std::function<void()> onRequest)
    : requests_(requested_, {{platform::StopRequest::Terminate, platform::WhenIgnored::StayIgnored},
                             {platform::StopRequest::HangUp, platform::WhenIgnored::StayIgnored}}),
      timer_(std::make_unique<QTimer>()) {
  timer_->setInterval(200);
  QObject::connect(timer_.get(), &QTimer::timeout, [this, onRequest = std::move(onRequest)] {
    if (!requested_.exchange(false)) return;
    onRequest();
  });
  timer_->start();
}

// Then the signal handlers before come back.
TerminationRequests::~TerminationRequests() { timer_->stop(); }
