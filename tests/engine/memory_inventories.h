// Two inventories built in memory, for tests of planning and of what is
// made of a plan: no file system is touched.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/entry_comparer.h"
#include "inventory/file_store.h"
#include "inventory/inventory_list.h"
#include "platform/datetime.h"
#include "tests/support/native_path.h"

namespace testsupport {

inline const std::string kMemorySource = nativePath("/disk/"), kMemoryTarget = nativePath("/media/usb/");

// A file time s seconds into a fixed minute.
inline platform::TDateTime memoryTime(int s) {
  platform::TDateTime v = 0;
  EXPECT_TRUE(platform::tryEncodeDateTime({2020, 6, 1, 9, 0, s, 0}, v));
  return v;
}

class MemoryInventories : public ::testing::Test {
 protected:
  // rel ending in "/" is a folder; its "/" stand for this system's delimiter.
  void add(TInventoryList& list, const std::string& root, const std::string& rel, int time, std::int64_t size) {
    const bool folder = rel.back() == '/';
    const std::string full = root + nativePath(folder ? rel.substr(0, rel.size() - 1) : rel);
    const auto slash = full.rfind(PathDelim);
    TFileInfo& info = store.Add(full.substr(0, slash + 1), full.substr(slash + 1));
    info.Falg = folder;
    info.LastModifyTime = folder ? 0 : memoryTime(time);
    info.Size = folder ? 0 : size;
    list.Add(&info);
  }
  void source(const std::string& rel, int time = 0, std::int64_t size = 1) {
    add(sourceList, kMemorySource, rel, time, size);
  }
  void target(const std::string& rel, int time = 0, std::int64_t size = 1) {
    add(targetList, kMemoryTarget, rel, time, size);
  }

  TFileStore store;
  TInventoryList sourceList, targetList;
  TEntryComparer comparer{kMemorySource, kMemoryTarget};
  std::atomic<bool> stop{false};
};

}  // namespace testsupport
