#include "tests/support/usb_machine.h"

#include "inventory/file_info.h"

UsbMachine::UsbMachine(const std::string& address, const std::string& mountFolder) {
  program = machine.placeProgram(mountFolder + "/工具/Drovan.exe");
  usb = testsupport::toUtf8(machine.root() / testsupport::fromUtf8(mountFolder).make_preferred());
  ini = usb + PathDelim + "工具" + PathDelim + kConfigFileName;
  if (!address.empty()) machine.addAdapter("eth0", address, 2, true);
}
