// A request to end the program from outside the window: SIGTERM (a session
// ending, or `kill`) and SIGHUP (the terminal gone). Without it the process
// would die at once, the running job's copy cut short and the settings of
// this run never written; with it the program ends the way "退出" does.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "platform/stop_requests.h"

class QTimer;

// While one lives, the two signals only set a flag, and `onRequest` runs on
// the GUI thread after each (the flag is checked a few times a second). A
// signal ignored when the program started (nohup) stays ignored. The
// handlers in place before are put back by the destructor. One at a time;
// GUI thread.
class TerminationRequests {
 public:
  explicit TerminationRequests(std::function<void()> onRequest);
  ~TerminationRequests();
  TerminationRequests(const TerminationRequests&) = delete;
  TerminationRequests& operator=(const TerminationRequests&) = delete;

 private:
  std::atomic<bool> requested_{false};
  platform::ScopedStopRequests requests_;
  std::unique_ptr<QTimer> timer_;
};
