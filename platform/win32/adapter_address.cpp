// Adapter addresses on Windows: NetBIOS first, as the configuration's key
// has always been read (enumerate, reset, adapter status "*"), in the order
// of its adapter numbers; where NetBIOS gives nothing, the system's adapter
// list, physical kinds (Ethernet, wireless) first, each group by index. A
// described machine (tests) gives its adapters as folders instead.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <nb30.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/adapter_address.h"
#include "platform/adapter_folder.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

UCHAR runNetbios(NCB& control) { return Netbios(&control); }

std::optional<HardwareAddress> netbiosAddress(UCHAR lana) {
  NCB control{};
  control.ncb_command = NCBRESET;
  control.ncb_lana_num = lana;
  if (runNetbios(control) != NRC_GOODRET) return std::nullopt;
  struct {
    ADAPTER_STATUS status;
    NAME_BUFFER names[30];
  } answer{};
  control = {};
  control.ncb_command = NCBASTAT;
  control.ncb_lana_num = lana;
  control.ncb_callname[0] = '*';
  control.ncb_buffer = reinterpret_cast<PUCHAR>(&answer);
  control.ncb_length = sizeof answer;
  if (runNetbios(control) != NRC_GOODRET) return std::nullopt;
  HardwareAddress address{};
  std::memcpy(address.data(), answer.status.adapter_address, address.size());
  return address;
}

bool usable(const HardwareAddress& address) {
  return std::any_of(address.begin(), address.end(), [](std::uint8_t b) { return b != 0; });
}

std::vector<AdapterInfo> netbiosAdapters() {
  std::vector<AdapterInfo> list;
  LANA_ENUM lanas{};
  NCB control{};
  control.ncb_command = NCBENUM;
  control.ncb_buffer = reinterpret_cast<PUCHAR>(&lanas);
  control.ncb_length = sizeof lanas;
  if (runNetbios(control) != NRC_GOODRET) return list;
  for (UCHAR i = 0; i < lanas.length && i < MAX_LANA; ++i) {
    const std::optional<HardwareAddress> address = netbiosAddress(lanas.lana[i]);
    if (!address || !usable(*address)) continue;
    list.push_back({"lana" + std::to_string(lanas.lana[i]), lanas.lana[i], true, address});
  }
  return list;
}

std::vector<AdapterInfo> systemAdapters() {
  std::vector<AdapterInfo> list;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                  nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return list;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr; a = a->Next) {
    if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || a->PhysicalAddressLength != 6) continue;
    HardwareAddress address{};
    std::memcpy(address.data(), a->PhysicalAddress, address.size());
    if (!usable(address)) continue;
    const bool physical = a->IfType == IF_TYPE_ETHERNET_CSMACD || a->IfType == IF_TYPE_IEEE80211;
    list.push_back({win32::narrow(a->FriendlyName ? a->FriendlyName : L""), static_cast<int>(a->IfIndex), physical,
                    address});
  }
  std::stable_sort(list.begin(), list.end(), [](const AdapterInfo& x, const AdapterInfo& y) {
    if (x.physical != y.physical) return x.physical;
    return x.index < y.index;
  });
  return list;
}

}  // namespace

// Windows reports no burnt-in address apart from the current one.
bool readDriverPermanentAddress(const std::string&, HardwareAddress&) { return false; }

std::vector<AdapterInfo> listAdapters(const MachinePaths& machine) {
  if (machine.netRoot != MachinePaths{}.netRoot) return listAdapterFolders(machine);
  std::vector<AdapterInfo> list = netbiosAdapters();
  if (list.empty()) list = systemAdapters();
  return list;
}

}  // namespace platform
