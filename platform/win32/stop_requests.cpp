// Stop requests as console control events: Ctrl+C interrupts, Ctrl+Break,
// log-off and shut-down terminate, closing the console window hangs up.
#include <windows.h>

#include "platform/stop_requests.h"

namespace platform {
namespace {

std::atomic<std::atomic<bool>*> flags[3] = {};

int kindOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT: return static_cast<int>(StopRequest::Interrupt);
    case CTRL_BREAK_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: return static_cast<int>(StopRequest::Terminate);
    case CTRL_CLOSE_EVENT: return static_cast<int>(StopRequest::HangUp);
    default: return -1;
  }
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onControlEvent(DWORD event) {
  const int kind = kindOf(event);
  if (kind < 0) return FALSE;
  std::atomic<bool>* flag = flags[kind].load();
  if (flag == nullptr) return FALSE;
  flag->store(true);
  return TRUE;
}

}  // namespace

ScopedStopRequests::ScopedStopRequests(std::atomic<bool>& flag, std::initializer_list<StopRequestRule> rules) {
  bool any = false;
  for (const StopRequestRule& rule : rules) {
    const int i = static_cast<int>(rule.kind);
    flags[i].store(&flag);
    taken_[i] = true;
    any = true;
  }
  if (any) SetConsoleCtrlHandler(onControlEvent, TRUE);
}

ScopedStopRequests::~ScopedStopRequests() {
  bool any = false;
  for (int i = 0; i < kKinds; ++i) {
    if (!taken_[i]) continue;
    flags[i].store(nullptr);
    any = true;
  }
  if (any) SetConsoleCtrlHandler(onControlEvent, FALSE);
}

// A write to a pipe without reader fails on Windows anyway (ERROR_NO_DATA);
// nothing ends the process for it.
ScopedBrokenPipeAsError::ScopedBrokenPipeAsError() = default;
ScopedBrokenPipeAsError::~ScopedBrokenPipeAsError() = default;

}  // namespace platform
