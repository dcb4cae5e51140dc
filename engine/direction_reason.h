// The line that says which file decided an automatic run's direction by
// newest file time, and its time on both sides.
#pragma once

#include <cstddef>
#include <string>

#include "engine/big_change.h"
#include "inventory/inventory_list.h"

// newest: the deciding side's newest file (below a root of newestRoot
// bytes); other: the other side's inventory. diskDecided: the deciding side
// is the hard-disk folder. Fills decision (InFuture against now).
std::string DirectionReasonLine(const TFileInfo& newest, std::size_t newestRoot, const TInventoryList& other,
                                std::size_t otherRoot, bool diskDecided, TDateTime now, TDecidingFile& decision);
