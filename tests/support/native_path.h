// Relative paths that a test writes with "/", in this system's delimiters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "inventory/file_info.h"

namespace testsupport {

inline std::string nativePath(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (c == '/') c = PathDelim;
  return out;
}

inline std::vector<std::string> nativePaths(std::vector<std::string> paths) {
  for (auto& p : paths) p = nativePath(p);
  return paths;
}

}  // namespace testsupport
