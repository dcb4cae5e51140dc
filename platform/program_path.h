// The full path of the running program's own file.
#pragma once

#include <string>

#include "platform/machine_paths.h"
#include "platform/os_status.h"

namespace platform {

// The program file's canonical full path, read from machine.programPath (the
// link /proc/self/exe on the real machine; any file or link on a fake one).
// Started through the dynamic loader ("ld-linux-x86-64.so.2 PROGRAM"), the
// real machine's link names the loader; then the result is the file the
// loader mapped the program from. Fails with the error of resolving it.
// Thread-safe.
OsResult<std::string> programPath(const MachinePaths& machine = {});

}  // namespace platform
