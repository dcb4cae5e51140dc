// The burnt-in hardware address, as the driver reports it through ethtool.
// Linux-only: the SIOCETHTOOL ioctl of <linux/ethtool.h>.
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "platform/machine_paths.h"

namespace platform {
namespace {

// struct ethtool_perm_addr ends in a flexible array; this is its layout with
// room for the address.
struct PermanentAddressRequest {
  std::uint32_t cmd;
  std::uint32_t size;
  std::uint8_t data[32];
};
static_assert(offsetof(PermanentAddressRequest, data) == offsetof(ethtool_perm_addr, data));

class Socket {
 public:
  Socket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool readDriverPermanentAddress(const std::string& interfaceName, HardwareAddress& address) {
  if (interfaceName.empty() || interfaceName.size() >= IFNAMSIZ) return false;
  Socket socket;
  if (socket.fd() < 0) return false;
  PermanentAddressRequest request{};
  request.cmd = ETHTOOL_GPERMADDR;
  request.size = sizeof request.data;
  ifreq ifr{};
  std::memcpy(ifr.ifr_name, interfaceName.data(), interfaceName.size());
  ifr.ifr_data = reinterpret_cast<char*>(&request);
  if (::ioctl(socket.fd(), SIOCETHTOOL, &ifr) != 0 || request.size != address.size()) return false;
  std::memcpy(address.data(), request.data, address.size());
  return true;
}

}  // namespace platform
