#include "tests/support/tree_helpers.h"

#include "tests/support/file_times.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testsupport {

// Through the system's own call: the standard library's setter keeps only
// whole seconds on Windows.
void setModificationTime(const std::filesystem::path& file, std::int64_t seconds,
                         std::int64_t nanoseconds) {
  setMTime(file, seconds, static_cast<long>(nanoseconds));
}

void makeFifo(const std::filesystem::path& file) {
  std::string quoted = "'";
  for (char c : file.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  if (std::system(("mkfifo " + quoted).c_str()) != 0)
    throw std::runtime_error("mkfifo failed for " + file.string());
}

}  // namespace testsupport
