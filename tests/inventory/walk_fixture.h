// The walk's fixture and helpers, shared by its portable and POSIX tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "inventory/MyGetFiles.h"
#include "inventory/file_info.h"
#include "inventory/file_store.h"
#include "inventory/pglobal.h"
#include "platform/datetime.h"
#include "platform/folder_reader.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"

namespace walktest {

namespace fs = std::filesystem;

using List = std::vector<std::string>;
inline const List kNoTypes;

inline std::vector<std::string> scan(const std::string& root, TDateTime& newest) {
  return GetFileAry(root, newest, true, kNoTypes, kNoTypes);
}

inline std::vector<std::string> scan(const std::string& root) {
  TDateTime newest = -1;
  return scan(root, newest);
}

inline std::vector<std::string> pathsOf(const std::vector<std::string>& entries) {
  std::vector<std::string> paths;
  for (const auto& e : entries) {
    TFileStore store;
    const TFileInfo& info = StrToFileInfo(e, store);
    paths.push_back(info.Key());
  }
  return paths;
}

// The full paths of names relative to root, written with "/".
inline std::set<std::string> under(const std::string& root, std::initializer_list<std::string> relative) {
  std::set<std::string> out;
  for (const auto& r : relative) out.insert(root + PathDelim + testsupport::nativePath(r));
  return out;
}

inline std::set<std::string> asSet(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }

// Depth first, pre-order: every entry's folder entry comes earlier, and
// everything between the two lies inside that folder.
inline void expectPreOrder(const std::vector<std::string>& paths, const std::string& root) {
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string parent = paths[i].substr(0, paths[i].rfind(PathDelim));
    if (parent == root) continue;
    const auto at = std::find(paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(i), parent);
    ASSERT_NE(at, paths.begin() + static_cast<std::ptrdiff_t>(i)) << paths[i] << " before its folder";
    for (auto between = at + 1; between != paths.begin() + static_cast<std::ptrdiff_t>(i); ++between)
      EXPECT_EQ(between->rfind(parent + PathDelim, 0), 0u) << *between << " splits " << parent;
  }
}

inline TDateTime fileTime(std::int64_t seconds, std::int64_t nanoseconds = 0) {
  return platform::fileTimeToDateTime(seconds, nanoseconds);
}

inline std::string entryOf(const std::string& path, bool folder, TDateTime time, std::int64_t size) {
  return EntryString(path, folder, time, size);
}

class Walk : public ::testing::Test {
 protected:
  void SetUp() override { StopSync = false; }
  void TearDown() override {
    StopSync = false;
    platform::setFolderFaultHookForTesting(nullptr);
  }
  testsupport::TempDir dir;
  std::string root = dir.str();
};

template <class E>
std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("other: ") + e.what();
  }
  return "none";
}

}  // namespace walktest
