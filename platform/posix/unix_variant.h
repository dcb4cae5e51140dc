// What the POSIX code asks of the particular Unix it runs on; each Unix
// answers in its own folder (platform/linux/).
#pragma once

#include <string>

namespace platform::detail {

// Whether the folder dir lies on a drive served by a FUSE daemon. False when
// that cannot be told.
bool onFuseDrive(const std::string& dir);
// The same of what the open descriptor fd names.
bool onFuseDrive(int fd);

// A short path that names what the open descriptor fd names, for a folder
// whose own path leaves no room below the length limit.
std::string pathOfDescriptor(int fd);

}  // namespace platform::detail
