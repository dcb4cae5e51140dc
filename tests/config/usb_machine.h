// A fake machine whose program lies on a removable USB partition, with one
// physical network adapter; the configuration file's full name beside it.
#pragma once

#include <fstream>
#include <string>

#include "config/pIniReg.h"
#include "tests/support/fake_machine.h"

struct UsbMachine {
  explicit UsbMachine(const std::string& address = "00:1a:2b:3c:4d:5e",
                      const std::string& mountFolder = "media/U 盘") {
    machine.addDisk("sdb", true);
    machine.addPartition("sdb", "sdb1");
    usb = machine.addMount(mountFolder, "vfat", "/dev/sdb1", "8:17");
    program = machine.placeProgram(mountFolder + "/工具/Drovan");
    ini = usb + "/工具/" + kConfigFileName;
    if (!address.empty()) machine.addAdapter("eth0", address, 2, true);
  }
  platform::MachinePaths paths() const { return machine.paths(); }
  // Writes the configuration file's bytes.
  void writeIni(const std::string& bytes) const {
    std::ofstream out(ini, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  testsupport::FakeMachine machine;
  std::string usb, program, ini;
};
