// What the folder reader's tests share: every entry a reader serves, once.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/folder_reader.h"
#include "tests/support/temp_dir.h"

namespace folderreading {

struct Seen {
  bool isFolder = false;
  bool isLink = false;
  std::int64_t size = 0;
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  platform::FileIdentity id;
};

inline std::map<std::string, Seen> readAll(platform::FolderReader& reader) {
  std::map<std::string, Seen> seen;
  platform::FolderEntry e;
  while (reader.next(e)) {
    EXPECT_FALSE(seen.count(std::string(e.name))) << "listed twice: " << e.name;
    seen[std::string(e.name)] = {e.isFolder, e.isLink, e.size, e.mtimeSeconds, e.mtimeNanoseconds, e.id};
  }
  EXPECT_FALSE(reader.error());
  return seen;
}

inline std::map<std::string, Seen> readFolder(const std::filesystem::path& folder) {
  platform::FolderReader reader;
  EXPECT_FALSE(reader.open(folder.string()));
  return readAll(reader);
}

// Each name written as a file holding the name itself: the folder lists
// exactly these names, each with its own size, so no name came back altered.
inline void expectNamesListedAsWritten(testsupport::TempDir& dir, const std::vector<std::string>& names) {
  for (const auto& n : names) dir.write(n, n);
  const auto seen = readFolder(dir.path());
  ASSERT_EQ(seen.size(), names.size());
  for (const auto& n : names) {
    ASSERT_TRUE(seen.count(n)) << n;
    EXPECT_EQ(seen.at(n).size, static_cast<std::int64_t>(n.size()));
  }
}

inline platform::FileIdentity idOf(const std::filesystem::path& p) {
  platform::FolderReader r;
  EXPECT_FALSE(r.open(p.string()));
  return r.id();
}

struct HookGuard {
  explicit HookGuard(platform::FolderFaultHook hook) { platform::setFolderFaultHookForTesting(hook); }
  ~HookGuard() { platform::setFolderFaultHookForTesting(nullptr); }
  HookGuard(const HookGuard&) = delete;
  HookGuard& operator=(const HookGuard&) = delete;
};

}  // namespace folderreading
