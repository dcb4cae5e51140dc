// Network adapters from /sys/class/net.
#include "platform/adapter_address.h"
#include "platform/adapter_folder.h"

namespace platform {

std::vector<AdapterInfo> listAdapters(const MachinePaths& machine) { return listAdapterFolders(machine); }

}  // namespace platform
