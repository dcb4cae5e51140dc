#include "tests/support/special_files.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace testsupport {

void makeSocket(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = path.string();
  if (name.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long: " + name);
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  ::close(fd);
  if (bound != 0) throw std::runtime_error("cannot bind a socket at " + name);
}

FifoUnblocker::FifoUnblocker(std::filesystem::path fifo, std::chrono::milliseconds delay)
    : thread_([fifo = std::move(fifo), delay](std::stop_token stop) {
        const auto start = std::chrono::steady_clock::now();
        while (!stop.stop_requested()) {
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
          if (std::chrono::steady_clock::now() - start < delay) continue;
          // Succeeds only while a reader has the FIFO open.
          const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          if (fd >= 0) ::close(fd);
        }
      }) {}

}  // namespace testsupport
