// The full form of a path by the POSIX rules: one root, "/" between names.
#include "platform/full_path.h"

#include <vector>

#include "platform/full_path_internal.h"

namespace platform {
namespace {

// Resolves "." and "..", folds repeated delimiters; ".." at the root stays
// at the root, as the kernel does.
std::string normalise(std::string_view absolute) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (pos < absolute.size()) {
    std::size_t end = absolute.find('/', pos);
    if (end == std::string_view::npos) end = absolute.size();
    const std::string_view part = absolute.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = end + 1;
  }
  std::string out;
  out.reserve(absolute.size());
  for (const auto part : parts) {
    out.push_back('/');
    out.append(part);
  }
  // A trailing delimiter is kept: it tells a folder path from a file path.
  if (out.empty() || (absolute.size() > 1 && absolute.back() == '/')) out.push_back('/');
  return out;
}

}  // namespace

FullPathResult expandFullPath(std::string_view path) {
  FullPathResult result;
  if (!path.empty() && path.front() == '/') {
    result.path = normalise(path);
    return result;
  }
  std::string base = currentFolder(result.error);
  if (result.error) {
    result.path = normalise(std::string("/").append(path));
    return result;
  }
  base.push_back('/');
  base.append(path);
  result.path = normalise(base);
  return result;
}

}  // namespace platform
