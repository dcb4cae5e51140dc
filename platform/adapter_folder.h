// Adapters described as folders in the sysfs layout (<netRoot>/<name>/
// address, ifindex, flags, type, device): how Linux reports them, and how a
// described machine gives them on any system.
#pragma once

#include <vector>

#include "platform/adapter_address.h"

namespace platform {

std::vector<AdapterInfo> listAdapterFolders(const MachinePaths& machine);

}  // namespace platform
