#include "tests/support/usb_machine.h"

UsbMachine::UsbMachine(const std::string& address, const std::string& mountFolder) {
  machine.addDisk("sdb", true);
  machine.addPartition("sdb", "sdb1");
  usb = machine.addMount(mountFolder, "vfat", "/dev/sdb1", "8:17");
  program = machine.placeProgram(mountFolder + "/工具/Drovan");
  ini = usb + "/工具/" + kConfigFileName;
  if (!address.empty()) machine.addAdapter("eth0", address, 2, true);
}
