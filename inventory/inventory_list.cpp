#include "inventory/inventory_list.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/collate.h"

void TInventoryList::Sort(std::size_t prefixLength) {
  if (items_.size() < 2) return;
  // The collation keys of all items in one buffer; ties (texts that differ
  // only in letter case) fall back to the texts themselves.
  std::string keys;
  std::vector<std::size_t> starts(items_.size() + 1);
  std::string relative;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    starts[i] = keys.size();
    relative.clear();
    items_[i]->AppendRelative(relative, prefixLength);
    platform::appendCollationKey(keys, relative);
  }
  starts[items_.size()] = keys.size();

  auto key = [&](std::size_t i) {
    return std::string_view(keys.data() + starts[i], starts[i + 1] - starts[i]);
  };
  std::vector<std::size_t> order(items_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::string left, right;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int c = key(a).compare(key(b));
    if (c != 0) return c < 0;
    left.clear();
    right.clear();
    items_[a]->AppendRelative(left, prefixLength);
    items_[b]->AppendRelative(right, prefixLength);
    return left < right;
  });
  std::vector<TFileInfo*> sorted(items_.size());
  for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = items_[order[i]];
  items_.swap(sorted);
}

TInventoryList FileAryToList(const std::vector<std::string>& entries, TFileStore& store) {
  TInventoryList list;
  list.Reserve(entries.size());
  for (const std::string& entry : entries) list.Add(&StrToFileInfo(entry, store));
  return list;
}
