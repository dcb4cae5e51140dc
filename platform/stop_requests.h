// Requests from outside the program to stop: an interrupt (Ctrl+C), a
// termination request (a session ending, `kill`) and the terminal going
// away. On POSIX they are SIGINT, SIGTERM and SIGHUP. Also the one setting
// that keeps a write to a vanished reader from ending the process.
#pragma once

#include <atomic>
#include <initializer_list>

namespace platform {

enum class StopRequest { Interrupt, Terminate, HangUp };

// What happens to a request the program's starter chose to ignore (nohup
// ignores the hang-up): it stays ignored, or it is taken up all the same.
enum class WhenIgnored { StayIgnored, TakeUp };

struct StopRequestRule {
  StopRequest kind;
  WhenIgnored ignored;
};

// While one lives, each request of the kinds in `rules` only sets `flag`
// (from a signal handler: nothing else runs then, so the owner polls the
// flag). The handlers in place before are put back by the destructor.
// At most one per kind at a time; install and end it on one thread.
class ScopedStopRequests {
 public:
  ScopedStopRequests(std::atomic<bool>& flag, std::initializer_list<StopRequestRule> rules);
  ~ScopedStopRequests();
  ScopedStopRequests(const ScopedStopRequests&) = delete;
  ScopedStopRequests& operator=(const ScopedStopRequests&) = delete;

 private:
  static constexpr int kKinds = 3;
  bool taken_[kKinds] = {};
  void (*previous_[kKinds])(int) = {};
};

// While one lives, a write to a pipe or socket whose reader has gone fails
// (EPIPE) instead of ending the process, so the writer can stop in order.
// Same thread rules as ScopedStopRequests.
class ScopedBrokenPipeAsError {
 public:
  ScopedBrokenPipeAsError();
  ~ScopedBrokenPipeAsError();
  ScopedBrokenPipeAsError(const ScopedBrokenPipeAsError&) = delete;
  ScopedBrokenPipeAsError& operator=(const ScopedBrokenPipeAsError&) = delete;

 private:
  void (*previous_)(int) = nullptr;
};

}  // namespace platform
