#include "inventory/file_store.h"

#include <cstring>

namespace {
constexpr std::size_t kBlockSize = 256 * 1024;
}

std::string_view TFileStore::Copy(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > left_) {
    const std::size_t size = std::max(kBlockSize, text.size());
    blocks_.push_back(std::make_unique<char[]>(size));
    free_ = blocks_.back().get();
    left_ = size;
  }
  std::memcpy(free_, text.data(), text.size());
  std::string_view copy(free_, text.size());
  free_ += text.size();
  left_ -= text.size();
  return copy;
}

std::string_view TFileStore::Intern(std::string_view path) {
  // A walk lists a folder's items together, so the last path mostly hits.
  if (path == lastPath_) return lastPath_;
  auto found = paths_.find(path);
  if (found == paths_.end()) found = paths_.insert(Copy(path)).first;
  lastPath_ = *found;
  return lastPath_;
}

TFileInfo& TFileStore::Add(std::string_view path, std::string_view name) {
  TFileInfo& info = records_.emplace_back();
  info.Path = Intern(path);
  info.Name = Copy(name);
  return info;
}

void TFileStore::Clear() {
  records_.clear();
  paths_.clear();
  lastPath_ = {};
  blocks_.clear();
  free_ = nullptr;
  left_ = 0;
}
