#include "config/ApplicationHardWareInfo.h"

#include "platform/adapter_address.h"

TMacAdressInfo::TMacAdressInfo(const platform::MachinePaths& machine)
    : machine_(machine), FMacAdress(ReadAdapterAddress(0)) {}

std::string TMacAdressInfo::ReadAdapterAddress(int N) const {
  const auto adapters = platform::listAdapters(machine_);
  if (N < 0 || static_cast<std::size_t>(N) >= adapters.size()) return {};
  const auto& address = adapters[static_cast<std::size_t>(N)].address;
  if (!address) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < address->size(); ++i) {
    if (i > 0) text.push_back('-');
    text.push_back(kHex[(*address)[i] >> 4]);
    text.push_back(kHex[(*address)[i] & 0x0F]);
  }
  return text;
}
