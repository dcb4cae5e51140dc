// Where the platform services read the machine's state from. Every service
// that looks at the mount table, sysfs, the network interfaces or the
// program's own path takes one of these; the defaults are the real machine,
// and tests point them into a fake machine built in a temporary folder.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

using HardwareAddress = std::array<std::uint8_t, 6>;

// Asks the network driver for an interface's burnt-in address. True and the
// address when the driver reports a six-byte one.
bool readDriverPermanentAddress(const std::string& interfaceName, HardwareAddress& address);

struct MachinePaths {
  std::string mountInfo = "/proc/self/mountinfo";
  std::string sysfsRoot = "/sys";            // holds block/, class/block/, dev/block/
  std::string programPath = "/proc/self/exe";
  std::string netRoot = "/sys/class/net";
  // The source of permanent adapter addresses; empty means "none known", which
  // fake machines use so the real driver is never asked about fake names.
  std::function<bool(const std::string&, HardwareAddress&)> permanentAddress =
      readDriverPermanentAddress;
  // The configuration file; empty means the one beside the program file. The
  // command line names another with --config.
  std::string configFile;
};

// The machine a program entry runs on: the real one, except that the
// environment variables DROVAN_TEST_MOUNTINFO and DROVAN_TEST_SYSFS, when set
// and not empty, name a mount table and a sysfs root to read instead. A test
// seam only: no real removable drive can be made on a test machine (loop
// devices report removable = 0), so the bundle's tests describe one. Unset,
// as on every normal start, the result is MachinePaths{}.
MachinePaths programMachine();

}  // namespace platform
