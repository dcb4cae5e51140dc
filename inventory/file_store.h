// The owner of a job's inventory records and of their texts. Records never
// move once made (their addresses are the inventories' and work lists'
// objects); names are packed into large blocks, and each folder path is kept
// once however many items it holds.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "inventory/file_info.h"

class TFileStore {
 public:
  TFileStore() = default;
  TFileStore(const TFileStore&) = delete;
  TFileStore& operator=(const TFileStore&) = delete;

  // A new record for the item named name in the folder path (which ends in
  // the delimiter); both texts are copied. The other fields are left empty.
  TFileInfo& Add(std::string_view path, std::string_view name);
  std::size_t Count() const { return records_.size(); }
  void Clear();

 private:
  std::string_view Copy(std::string_view text);
  std::string_view Intern(std::string_view path);

  std::deque<TFileInfo> records_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;
  std::size_t left_ = 0;
  std::unordered_set<std::string_view> paths_;
  std::string_view lastPath_;
};
