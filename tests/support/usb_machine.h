// A fake machine whose program lies on a removable USB drive (on Linux a
// partition of a removable disk; on Windows a folder standing for one, as
// drives are told there by their letters), with one physical network
// adapter; the configuration file's full name beside the program.
#pragma once

#include <fstream>
#include <string>

#include "config/pIniReg.h"
#include "tests/support/fake_machine.h"

struct UsbMachine {
  explicit UsbMachine(const std::string& address = "00:1a:2b:3c:4d:5e",
                      const std::string& mountFolder = "media/U 盘");
  platform::MachinePaths paths() const { return machine.paths(); }
  // Writes the configuration file's bytes.
  void writeIni(const std::string& bytes) const {
    std::ofstream out(testsupport::fromUtf8(ini), std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  testsupport::FakeMachine machine;
  // The drive's folder (its root), the program and the configuration file.
  std::string usb, program, ini;
};
