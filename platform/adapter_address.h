// The computer's network adapters and their hardware addresses, in the order
// that decides which one identifies the computer: physical adapters (those
// backed by a device) before virtual ones, each group by interface index.
// Loopback and adapters whose address is all zeros (or not six bytes long)
// are left out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/machine_paths.h"

namespace platform {

struct AdapterInfo {
  std::string name;     // "eth0"
  int index = 0;        // interface index
  bool physical = false;
  // The permanent address where the driver reports one, else the current
  // one; none when it could not be read.
  std::optional<HardwareAddress> address;
};

// Reads machine.netRoot (/sys/class/net). An unreadable folder gives an empty
// list. Thread-safe.
std::vector<AdapterInfo> listAdapters(const MachinePaths& machine = {});

}  // namespace platform
