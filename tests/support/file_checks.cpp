#include "tests/support/file_checks.h"

#include <algorithm>
#include <vector>

#include "platform/temp_names.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

std::string patternBytes(std::size_t size, unsigned seed) {
  std::string out(size, '\0');
  unsigned state = seed * 2654435761u + 12345u;
  for (auto& c : out) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 23);
  }
  return out;
}

int copyTempFiles(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (platform::isCopyTempName(toUtf8(entry.path().filename()))) ++count;
  return count;
}

std::string listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(toUtf8(entry.path().filename()));
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : " ") + name;
  return out;
}

}  // namespace testsupport
