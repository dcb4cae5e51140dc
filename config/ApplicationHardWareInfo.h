// TMacAdressInfo: this computer's identity, the hardware address of its first
// network adapter as text "XX-XX-XX-XX-XX-XX" (upper-case hexadecimal). The
// empty text stands for an address that cannot be read; a made-up one is
// never given.
#pragma once

#include <string>

#include "platform/machine_paths.h"

class TMacAdressInfo {
 public:
  // Create: reads the address of adapter 0 once. Never throws for a missing
  // or unreadable adapter (the address is then empty).
  explicit TMacAdressInfo(const platform::MachinePaths& machine = {});

  const std::string& MacAdrress() const { return FMacAdress; }

  // The address text of adapter N of the ordered adapter list (physical
  // adapters first, by interface index); empty when there is no such
  // adapter or its address cannot be read.
  std::string ReadAdapterAddress(int N) const;

 private:
  platform::MachinePaths machine_;
  std::string FMacAdress;
};
