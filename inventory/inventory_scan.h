// The engine's scan of one watched folder straight into records: what
// GetFileAry followed by FileAryToList gives (the same items, order, whole
// second times, newest time and errors), without the text per entry in
// between, which a large tree cannot afford twice over.
#pragma once

#include <string>
#include <vector>

#include "inventory/inventory_list.h"

TInventoryList ScanToInventory(const std::string& Path, TDateTime& NewestFileTime, bool AllSync,
                               const std::vector<std::string>& AllowList,
                               const std::vector<std::string>& NoAllowList, TFileStore& store);
