// A request to end the program from outside the window: SIGTERM (a session
// ending, or `kill`) and SIGHUP (the terminal gone). Without it the process
// would die at once, the running job's copy cut short and the settings of
// this run never written; with it the program ends the way "退出" does.
#pragma once

#include <functional>
#include <memory>

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
  std::unique_ptr<QTimer> timer_;
  void (*previousTerm_)(int);
  void (*previousHup_)(int);
};
