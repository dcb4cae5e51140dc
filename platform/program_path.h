// The full path of the running program's own file.
#pragma once

#include <string>

#include "platform/machine_paths.h"
#include "platform/os_status.h"

namespace platform {

// The program file's canonical full path, read from machine.programPath (the
// link /proc/self/exe on the real machine; any file or link on a fake one).
// Fails with the error of resolving it. Thread-safe.
OsResult<std::string> programPath(const MachinePaths& machine = {});

}  // namespace platform
