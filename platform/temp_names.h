// The names of the copy's temporary files. A file is copied into a hidden
// temporary file beside its destination and renamed into place; the walk never
// lists such names and removes the ones a crashed copy left behind.
//
// The copy names its file kCopyTempPrefix followed by three groups of one to
// eight lower-case hexadecimal digits joined by "-" (process, salt, counter),
// and holds an exclusive flock(2) on it until it is renamed or removed. Only
// a name of exactly that form is a temporary file; a user's file that merely
// starts with the prefix is an ordinary file.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

inline constexpr std::string_view kCopyTempPrefix = ".~drovan-tmp-";

// The folder at the root of a synchronised folder that holds the old
// versions of what runs deleted or overwrote. Of the same reserved form as
// the temporary files, and like them never listed by the walk.
inline constexpr std::string_view kVersionsFolderName = ".~drovan-versions";

// True when name (one path component) has the exact form of a copy
// temporary file's name.
inline bool isCopyTempName(std::string_view name) noexcept {
  if (name.substr(0, kCopyTempPrefix.size()) != kCopyTempPrefix) return false;
  name.remove_prefix(kCopyTempPrefix.size());
  for (int group = 0; group < 3; ++group) {
    std::size_t digits = 0;
    while (digits < name.size() &&
           ((name[digits] >= '0' && name[digits] <= '9') || (name[digits] >= 'a' && name[digits] <= 'f')))
      ++digits;
    if (digits == 0 || digits > 8) return false;
    name.remove_prefix(digits);
    if (group < 2) {
      if (name.empty() || name.front() != '-') return false;
      name.remove_prefix(1);
    }
  }
  return name.empty();
}

}  // namespace platform
