#include "tests/support/tree_helpers.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testsupport {

void setModificationTime(const std::filesystem::path& file, std::int64_t seconds,
                         std::int64_t nanoseconds) {
  using namespace std::chrono;
  const sys_time<std::chrono::nanoseconds> when{std::chrono::seconds(seconds) +
                                                std::chrono::nanoseconds(nanoseconds)};
  std::filesystem::last_write_time(file, file_clock::from_sys(when));
}

void makeFifo(const std::filesystem::path& file) {
  std::string quoted = "'";
  for (char c : file.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  if (std::system(("mkfifo " + quoted).c_str()) != 0)
    throw std::runtime_error("mkfifo failed for " + file.string());
}

}  // namespace testsupport
