// Seam between the portable path code and the OS part that reads the current
// folder. Not for use outside platform/.
#pragma once

#include <string>
#include <system_error>

namespace platform {

// The current folder; on failure the empty text and error set.
std::string currentFolder(std::error_code& error);

}  // namespace platform
