#include "engine/flush_changes.h"

#include <cstdint>

#include "inventory/file_info.h"
#include "platform/file_ops.h"
#include "platform/flush.h"

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind(PathDelim);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string(1, PathDelim) : path.substr(0, slash);
}

}  // namespace

TChangedSide::TChangedSide(std::string root)
    : root_(std::move(root)),
      fuse_(!root_.empty() && platform::needsFlushPerFile(root_)),
      wholeByOne_(fuse_ && platform::anyFlushCoversDrive(root_)),
      perFile_(fuse_ && !wholeByOne_) {}

void TChangedSide::Wrote(const std::string& path, bool flushed) {
  Changed(path);
  if (perFile_ && !flushed) files_.push_back(path);
}

void TChangedSide::Changed(const std::string& path) {
  changed_ = true;
  if (perFile_) folders_.insert(FolderOf(path));
}

platform::OsStatus TChangedSide::Flush() const {
  if (!changed_) return {};
  if (!fuse_) return platform::syncFileSystem(root_);
  if (wholeByOne_) return platform::flushEntry(root_);
  platform::OsStatus first;
  auto flush = [&](const std::string& path) {
    platform::OsStatus r = platform::flushEntry(path);
    // A file written and then replaced or removed by this run has nothing left to flush.
    if (!r.ok() && r.code != std::errc::no_such_file_or_directory && first.ok()) first = std::move(r);
  };
  for (const std::string& file : files_) flush(file);
  for (const std::string& folder : folders_) flush(folder);
  return first;
}

std::vector<TFlushFailure> FlushChangedSides(const std::vector<const TChangedSide*>& sides) {
  std::vector<TFlushFailure> failures;
  std::set<std::uint64_t> flushedDrives;
  for (const TChangedSide* side : sides) {
    if (!side->Any()) continue;
    // Two sides on one kernel drive need one syncfs; per-file sides flush
    // their own entries whatever drive they share.
    const auto id = platform::fileIdentity(side->Root());
    if (id && !platform::needsFlushPerFile(side->Root()) && !flushedDrives.insert(id->device).second) continue;
    if (platform::OsStatus r = side->Flush(); !r.ok()) failures.push_back({side->Root(), std::move(r)});
  }
  return failures;
}
