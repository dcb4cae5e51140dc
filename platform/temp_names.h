// The names of the copy's temporary files. A file is copied into a hidden
// temporary file beside its destination and renamed into place; the walk never
// lists such names and removes the ones a crashed copy left behind.
#pragma once

#include <string_view>

namespace platform {

inline constexpr std::string_view kCopyTempPrefix = ".~drovan-tmp-";

// True when name (one path component) is a copy temporary file's name.
inline bool isCopyTempName(std::string_view name) noexcept {
  return name.substr(0, kCopyTempPrefix.size()) == kCopyTempPrefix;
}

}  // namespace platform
