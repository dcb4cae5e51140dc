// An inventory: the items of one folder tree as a list of keys (full paths)
// with their TFileInfo records attached. The list does not own the records;
// they live in a TFileStore that belongs to the job. Kept in walk order until
// sorted; sorting uses the locale order of platform/collate.h through sort
// keys computed once per item.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/file_info.h"

// Owner of the records of a job; a deque keeps their addresses stable.
using TFileStore = std::deque<TFileInfo>;

class TInventoryList {
 public:
  struct Item {
    std::string Key;
    TFileInfo* Object = nullptr;
  };

  void Add(std::string key, TFileInfo* object) { items_.push_back({std::move(key), object}); }
  void Reserve(std::size_t n) { items_.reserve(n); }
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const std::string& Strings(std::size_t i) const { return items_[i].Key; }
  TFileInfo* Objects(std::size_t i) const { return items_[i].Object; }
  const Item& operator[](std::size_t i) const { return items_[i]; }
  void Delete(std::size_t i) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i)); }
  void Clear() { items_.clear(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Sorts ascending by key in the locale order, ignoring the first
  // prefixLength bytes of every key (the root, which all keys share). Stable.
  void Sort(std::size_t prefixLength = 0);

 private:
  std::vector<Item> items_;
};

// One record per entry string, in order, appended to store; the keys are
// Path + Name. Raises the conversion errors of StrToFileInfo.
TInventoryList FileAryToList(const std::vector<std::string>& entries, TFileStore& store);
