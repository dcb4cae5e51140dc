// What the folder reader's tests share: every entry a reader serves, once.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/folder_reader.h"

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
