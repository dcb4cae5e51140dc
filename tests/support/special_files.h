// Entries a walk must never open as files: sockets (named pipes are made by
// tree_helpers.h's makeFifo).
#pragma once

#include <chrono>
#include <filesystem>
#include <thread>

namespace testsupport {

// Creates a Unix socket file at path (bound, then closed; the file stays).
// The path must be shorter than a socket address allows (about 100 bytes).
// Throws std::runtime_error on failure.
void makeSocket(const std::filesystem::path& path);

// A guard for tests that must not block on a FIFO: after `delay` it opens
// the FIFO for writing as soon as a reader waits on it, and closes it again,
// so a reader stuck in open() gets the end of the file and the test fails
// instead of hanging. Stops with its destruction.
class FifoUnblocker {
 public:
  FifoUnblocker(std::filesystem::path fifo, std::chrono::milliseconds delay);

 private:
  std::jthread thread_;
};

}  // namespace testsupport
