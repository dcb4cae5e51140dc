// An inventory: the items of one folder tree as a list of records, each
// keyed by its full path (TFileInfo::Key). The list does not own the records;
// they live in a TFileStore that belongs to the job. Kept in walk order until
// sorted; sorting uses the locale order of platform/collate.h through sort
// keys computed once per item.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "inventory/file_info.h"
#include "inventory/file_store.h"

class TInventoryList {
 public:
  void Add(TFileInfo* object) { items_.push_back(object); }
  void Reserve(std::size_t n) { items_.reserve(n); }
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  // The key (full path) of item i.
  std::string Strings(std::size_t i) const { return items_[i]->Key(); }
  TFileInfo* Objects(std::size_t i) const { return items_[i]; }
  TFileInfo& operator[](std::size_t i) const { return *items_[i]; }
  void Clear() { items_.clear(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Sorts ascending by key in the locale order, ignoring the first
  // prefixLength bytes of every key (the root, which all keys share). Two
  // different keys never tie, so the order does not depend on the input's.
  void Sort(std::size_t prefixLength = 0);

 private:
  std::vector<TFileInfo*> items_;
};

// One record per entry string, in order, made in store. Raises the
// conversion errors of StrToFileInfo.
TInventoryList FileAryToList(const std::vector<std::string>& entries, TFileStore& store);
