// Owners of Windows handles, so no handle outlives the code that opened it.
#pragma once

#include <windows.h>

#include <utility>

namespace platform::win32 {

// A kernel object handle (file, mutex); INVALID_HANDLE_VALUE and null both
// mean "none".
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { reset(); }
  Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = std::exchange(other.h_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  // Closes now; false when the close failed (its error in GetLastError).
  bool close();
  void reset() { close(); }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A search opened by FindFirstFileExW.
class FindHandle {
 public:
  FindHandle() = default;
  explicit FindHandle(HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (valid()) FindClose(h_);
  }
  FindHandle(FindHandle&& other) noexcept : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
  FindHandle& operator=(FindHandle&& other) noexcept {
    if (this != &other) {
      if (valid()) FindClose(h_);
      h_ = std::exchange(other.h_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;

  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace platform::win32
