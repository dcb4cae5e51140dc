#include "tests/support/nth_call_fault.h"

#include <atomic>
#include <cerrno>

namespace testsupport {
namespace {

struct FaultState {
  std::atomic<int> remaining{0};
  std::atomic<bool> fired{false};
  int error = 0;
  std::function<void()> action;
};

FaultState& state() {
  static FaultState s;
  return s;
}

// True when this call is the chosen one and must fail.
bool failThisCall() {
  FaultState& s = state();
  if (s.remaining.fetch_sub(1) != 1) return false;
  s.fired = true;
  if (s.action) {
    s.action();
    return false;
  }
  return true;
}

template <auto Member>
struct Counted;

template <class R, class... A, R (*platform::Syscalls::*Member)(A...)>
struct Counted<Member> {
  static R call(A... args) {
    if (failThisCall()) {
      errno = state().error;
      return static_cast<R>(-1);
    }
    return (platform::realSyscalls().*Member)(args...);
  }
};

platform::Syscalls countingTable() {
  using S = platform::Syscalls;
  S t = platform::realSyscalls();
  t.open = Counted<&S::open>::call;
  t.openAt = Counted<&S::openAt>::call;
  t.close = Counted<&S::close>::call;
  t.read = Counted<&S::read>::call;
  t.write = Counted<&S::write>::call;
  t.copyFileRange = Counted<&S::copyFileRange>::call;
  t.fchmod = Counted<&S::fchmod>::call;
  t.chmod = Counted<&S::chmod>::call;
  t.futimens = Counted<&S::futimens>::call;
  t.utimens = Counted<&S::utimens>::call;
  t.rename = Counted<&S::rename>::call;
  t.renameNoReplace = Counted<&S::renameNoReplace>::call;
  t.unlink = Counted<&S::unlink>::call;
  t.unlinkAt = Counted<&S::unlinkAt>::call;
  t.mkdir = Counted<&S::mkdir>::call;
  t.rmdir = Counted<&S::rmdir>::call;
  t.fsync = Counted<&S::fsync>::call;
  t.syncfs = Counted<&S::syncfs>::call;
  t.flock = Counted<&S::flock>::call;
  t.lseek = Counted<&S::lseek>::call;
  t.ftruncate = Counted<&S::ftruncate>::call;
  return t;
}

}  // namespace

NthCallFault::NthCallFault(int n, int error, std::function<void()> action) {
  FaultState& s = state();
  s.remaining = n;
  s.fired = false;
  s.error = error;
  s.action = std::move(action);
  override_ = std::make_unique<platform::ScopedSyscallOverride>(countingTable());
}

NthCallFault::~NthCallFault() {
  override_.reset();
  state().action = nullptr;
}

bool NthCallFault::fired() const { return state().fired; }

}  // namespace testsupport
