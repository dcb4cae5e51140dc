#include "tests/support/tree_snapshot.h"

#include <cstdlib>
#include <sstream>

#include "tests/support/exact_entry.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace testsupport {

TreeSnapshot snapshot(const fs::path& root) {
  TreeSnapshot out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    EntryState e;
    e.folder = it->is_directory();
    if (!e.folder) {
      e.size = static_cast<std::int64_t>(it->file_size());
      e.content = readFile(it->path());
      e.mtimeSec = mtimeNs(it->path()) / 1'000'000'000;
    }
    out[fs::relative(it->path(), root).string()] = e;
  }
  return out;
}

std::size_t countTempFiles(const fs::path& root) {
  std::size_t n = 0;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
    if (it->path().filename().string().rfind(".~drovan-tmp-", 0) == 0) ++n;
  return n;
}

std::string treeDifferences(const TreeSnapshot& a, const TreeSnapshot& b, std::int64_t toleranceSec) {
  std::ostringstream out;
  for (const auto& [name, e] : a) {
    const auto other = b.find(name);
    if (other == b.end()) {
      out << name << ": only in the first " << e << "\n";
      continue;
    }
    const EntryState& f = other->second;
    const bool timesClose = e.folder || std::llabs(e.mtimeSec - f.mtimeSec) <= toleranceSec;
    if (e.folder != f.folder || e.size != f.size || e.content != f.content || !timesClose)
      out << name << ": " << e << " vs " << f << "\n";
  }
  for (const auto& [name, f] : b)
    if (!a.contains(name)) out << name << ": only in the second " << f << "\n";
  return out.str();
}

std::ostream& operator<<(std::ostream& os, const EntryState& e) {
  if (e.folder) return os << "<folder>";
  return os << "<file size=" << e.size << " mtime=" << e.mtimeSec << " content=" << e.content.substr(0, 20) << ">";
}

namespace {

std::ostream& operator<<(std::ostream& os, const ExactEntry& e) {
  os << "<" << e.kind << " mode=" << std::oct << e.mode << std::dec << " size=" << e.size
     << " mtime=" << e.mtimeNs;
  if (e.kind == 'l') os << " to=" << e.linkTarget;
  return os << " content=" << e.content.substr(0, 20) << ">";
}

}  // namespace

ExactSnapshot exactSnapshot(const fs::path& root) {
  ExactSnapshot out;
  out["."] = exactEntry(root);
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
    out[fs::relative(it->path(), root).string()] = exactEntry(it->path());
  return out;
}

std::string exactDifferences(const ExactSnapshot& before, const ExactSnapshot& after) {
  std::ostringstream out;
  for (const auto& [name, e] : before) {
    const auto other = after.find(name);
    if (other == after.end())
      out << name << ": gone, was " << e << "\n";
    else if (!(other->second == e))
      out << name << ": " << e << " became " << other->second << "\n";
  }
  for (const auto& [name, e] : after)
    if (!before.contains(name)) out << name << ": new " << e << "\n";
  return out.str();
}

}  // namespace testsupport
