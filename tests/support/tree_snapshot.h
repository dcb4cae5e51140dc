// A folder tree as a map from relative path to what a sync must carry over:
// kind, size, content and modification time. Links are listed by what they
// point to, as the sync sees them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>

namespace testsupport {

struct EntryState {
  bool folder = false;
  std::int64_t size = 0;
  std::string content;
  std::int64_t mtimeSec = 0;  // whole seconds; folder times are not compared
  bool operator==(const EntryState& o) const {
    return folder == o.folder && size == o.size && content == o.content && (folder || mtimeSec == o.mtimeSec);
  }
};

using TreeSnapshot = std::map<std::string, EntryState>;

TreeSnapshot snapshot(const std::filesystem::path& root);
// Names of entries that are the copy's leftover temporary files.
std::size_t countTempFiles(const std::filesystem::path& root);
// What differs between two snapshots, one line per entry, with file times
// allowed to differ by up to toleranceSec (drives that keep coarse times);
// empty when they agree.
std::string treeDifferences(const TreeSnapshot& a, const TreeSnapshot& b, std::int64_t toleranceSec);
std::ostream& operator<<(std::ostream& os, const EntryState& e);

// Everything of a tree that a change would show in: kind, permission bits,
// size, content, modification time to the nanosecond (folders and the root
// included) and where a link points, links not followed.
struct ExactEntry {
  char kind = '?';  // 'f' file, 'd' folder, 'l' link, '?' other
  unsigned mode = 0;
  std::int64_t size = 0;
  std::string content;
  std::int64_t mtimeNs = 0;
  std::string linkTarget;
  bool operator==(const ExactEntry&) const = default;
};
using ExactSnapshot = std::map<std::string, ExactEntry>;

// The root itself is the entry ".".
ExactSnapshot exactSnapshot(const std::filesystem::path& root);
// One line per entry that differs; empty when they agree.
std::string exactDifferences(const ExactSnapshot& before, const ExactSnapshot& after);

}  // namespace testsupport
