// The identities of a folder and of every folder on its way up to "/": a
// walk of one synchronised folder must not enter any of them, or it would
// take the other synchronised folder (or a folder holding it) for its own.
#pragma once

#include <string>
#include <vector>

#include "platform/file_identity.h"

namespace platform {

// Identities of `folder` (links followed) and of each of its parents up to
// the root. Empty when `folder` cannot be examined.
std::vector<FileIdentity> folderChain(const std::string& folder);

}  // namespace platform
