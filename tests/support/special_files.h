// Entries a walk must never open as files: sockets (named pipes are made by
// tree_helpers.h's makeFifo).
#pragma once

#include <filesystem>

namespace testsupport {

// Creates a Unix socket file at path (bound, then closed; the file stays).
// The path must be shorter than a socket address allows (about 100 bytes).
// Throws std::runtime_error on failure.
void makeSocket(const std::filesystem::path& path);

}  // namespace testsupport
