// A fault at one exact call of the system-call table (platform/syscalls.h):
// every entry is counted, and the n-th call either fails with an errno or
// first runs an action (say, pulling the drive) and then goes to the kernel.
// Sweeping n from 1 until no fault fires puts a failure at every step of an
// operation in turn.
#pragma once

#include <functional>
#include <memory>

#include "platform/syscalls.h"

namespace testsupport {

// One at a time; install and end it while no other thread uses the table.
class NthCallFault {
 public:
  // n counts from 1. With an action, the n-th call runs it and then the real
  // call; without one, the n-th call fails with `error`.
  NthCallFault(int n, int error, std::function<void()> action = {});
  ~NthCallFault();
  NthCallFault(const NthCallFault&) = delete;
  NthCallFault& operator=(const NthCallFault&) = delete;

  // Whether the n-th call happened.
  bool fired() const;

 private:
  std::unique_ptr<platform::ScopedSyscallOverride> override_;
};

}  // namespace testsupport
