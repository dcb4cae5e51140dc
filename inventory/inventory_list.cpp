#include "inventory/inventory_list.h"

#include <algorithm>
#include <numeric>

#include "platform/collate.h"

void TInventoryList::Sort(std::size_t prefixLength) {
  if (items_.size() < 2) return;
  std::vector<std::string> keys(items_.size());
  for (std::size_t i = 0; i < items_.size(); ++i) {
    std::string_view key = items_[i].Key;
    platform::appendSortKey(keys[i], key.substr(std::min(prefixLength, key.size())));
  }
  std::vector<std::size_t> order(items_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (std::size_t i : order) sorted.push_back(std::move(items_[i]));
  items_.swap(sorted);
}

TInventoryList FileAryToList(const std::vector<std::string>& entries, TFileStore& store) {
  TInventoryList list;
  list.Reserve(entries.size());
  for (const std::string& entry : entries) {
    TFileInfo& info = store.emplace_back();
    StrToFileInfo(entry, info);
    std::string key;
    key.reserve(info.Path.size() + info.Name.size());
    key.append(info.Path).append(info.Name);
    list.Add(std::move(key), &info);
  }
  return list;
}
