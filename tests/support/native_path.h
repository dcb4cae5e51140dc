// Relative paths that a test writes with "/", in this system's delimiters.
#pragma once

#include <string>
#include <string_view>

#include "inventory/file_info.h"

namespace testsupport {

inline std::string nativePath(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (c == '/') c = PathDelim;
  return out;
}

}  // namespace testsupport
