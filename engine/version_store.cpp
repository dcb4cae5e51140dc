#include "engine/version_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

#include "engine/scanned_state.h"
#include "inventory/file_info.h"
#include "platform/case_fold.h"
#include "platform/drives.h"
#include "platform/entry_state.h"
#include "platform/file_ops.h"
#include "platform/folder_reader.h"
#include "platform/temp_names.h"

namespace {

// A refusal that says the drive has no hard links at all, not that this one
// file cannot have one.
bool DriveTakesNoLinks(const platform::OsStatus& refused) {
  return refused.code == std::errc::operation_not_permitted || refused.code == std::errc::function_not_supported ||
         refused.code == std::errc::operation_not_supported || refused.code == std::errc::not_supported;
}

// Something is at path, a link leading nowhere included. One look-up: each
// is a round trip to the drive process on FUSE.
bool Present(const std::string& path) {
  const platform::EntryState state = platform::examineEntry(path);
  return state.exists || state.isLink;
}

// "name.ext" becomes "name (n).ext"; a name without an extension, or a
// hidden one without more, takes the number at its end.
std::string Numbered(const std::string& name, int n) {
  const std::size_t dot = name.rfind('.');
  const std::string suffix = " (" + std::to_string(n) + ")";
  if (dot == std::string::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The start of a run from its folder's name ("2026-12-09 153012", perhaps
// followed by " (n)"); nullopt for any other name.
std::optional<platform::TDateTime> RunStart(std::string_view name) {
  if (name.size() < 17 || name[4] != '-' || name[7] != '-' || name[10] != ' ') return std::nullopt;
  const std::string_view rest = name.substr(17);
  if (!rest.empty() && !(rest.size() > 3 && rest.substr(0, 2) == " (" && rest.back() == ')' &&
                         IsDigits(rest.substr(2, rest.size() - 3))))
    return std::nullopt;
  constexpr std::pair<std::size_t, std::size_t> kFields[] = {{0, 4}, {5, 2}, {8, 2}, {11, 6}};
  for (const auto& [at, length] : kFields)
    if (!IsDigits(name.substr(at, length))) return std::nullopt;
  auto number = [&](std::size_t at, std::size_t length) { return std::stoi(std::string(name.substr(at, length))); };
  platform::TDateTime start = 0;
  if (!platform::tryEncodeDateTime(
          {number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(13, 2), number(15, 2), 0}, start))
    return std::nullopt;
  return start;
}

// The bytes of the files below an open folder; links are counted, never
// followed into.
std::int64_t TreeBytes(platform::FolderReader& folder) {
  std::int64_t bytes = 0;
  platform::FolderEntry entry;
  std::vector<std::string> children;
  while (folder.next(entry)) {
    if (entry.isFolder && !entry.isLink)
      children.emplace_back(entry.name);
    else if (!entry.isFolder)
      bytes += entry.size;
  }
  for (const std::string& name : children) {
    platform::FolderReader child;
    if (!child.openChild(folder, name)) bytes += TreeBytes(child);
  }
  return bytes;
}

}  // namespace

std::string VersionRunName(platform::TDateTime start) {
  const platform::DateTimeParts t = platform::decodeDateTime(start);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::string VersionsFolder(const std::string& root) { return root + std::string(platform::kVersionsFolderName) + PathDelim; }

TVersionStore::TVersionStore(std::string root, std::string run) : root_(std::move(root)), run_(std::move(run)) {}

platform::OsStatus TVersionStore::ensureFolder(const std::string& folder) {
  if (folders_.contains(folder)) return {};
  platform::OsStatus made = platform::createDirectory(folder);
  if (made.ok()) {
    made_.insert(folder);
    placed_.insert(platform::foldedCase(folder));  // no file goes onto it without a look
  }
  if (made.code == std::errc::file_exists && platform::isDirectory(folder) && !platform::isSymbolicLink(folder))
    made = {};
  if (made.ok()) folders_.insert(folder);
  return made;
}

platform::OsStatus TVersionStore::placeFor(const std::string& path, Moved& move) {
  move.from = path;
  move.free = false;
  std::string& place = move.to;
  if (runFolder_.empty()) {
    const std::string versions = VersionsFolder(root_);
    if (platform::OsStatus r = ensureFolder(versions.substr(0, versions.size() - 1)); !r.ok()) return r;
    // A run of the same second (one that ended a moment ago) has its own folder.
    for (int n = 1;; ++n) {
      const std::string folder = versions + (n == 1 ? run_ : Numbered(run_, n));
      platform::OsStatus made = platform::createDirectory(folder);
      if (made.ok()) {
        runFolder_ = folder;
        folders_.insert(folder);
        made_.insert(folder);
        break;
      }
      if (made.code != std::errc::file_exists || n >= 100) return made;
    }
  }
  const std::string relative = path.substr(std::min(root_.size(), path.size()));
  std::string folder = runFolder_;
  for (std::size_t from = 0, slash; (slash = relative.find(PathDelim, from)) != std::string::npos; from = slash + 1) {
    folder += PathDelim + relative.substr(from, slash - from);
    if (platform::OsStatus r = ensureFolder(folder); !r.ok()) return r;
  }
  const std::size_t slash = relative.rfind(PathDelim);
  const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
  // In a folder this store made, only what it put there can be in the way:
  // the name needs no look (a round trip on FUSE).
  place = folder + PathDelim + name;
  if (made_.contains(folder) && !placed_.contains(platform::foldedCase(place))) {
    move.free = true;
    return {};
  }
  // The same name twice in one run (two spellings on a drive that ignores
  // case): the second is numbered.
  for (int n = 1; n < 100; ++n) {
    place = folder + PathDelim + (n == 1 ? name : Numbered(name, n));
    const platform::EntryState at = platform::examineEntry(place);  // one look: a link that leads nowhere too
    if (!at.exists && !at.isLink) return {};
  }
  return platform::OsStatus::fromErrno(EEXIST, "rename", place);
}

platform::OsStatus TVersionStore::moveAside(const Moved& move) {
  platform::OsStatus moved =
      move.free ? platform::renameFileToFreeName(move.from, move.to) : platform::renameFile(move.from, move.to);
  if (moved.ok()) placed_.insert(platform::foldedCase(move.to));
  return moved;
}

platform::OsStatus TVersionStore::Discard(const std::string& path,
                                          const std::function<bool(const std::string& at)>& asScanned) {
  nothingAt_.reset();
  Moved move;
  if (platform::OsStatus r = placeFor(path, move); !r.ok()) return r;
  // The folders are made: the look and the move follow each other closely.
  const platform::OsStatus changed{ChangedSinceScanError(), "confirm", path};
  if (asScanned && !asScanned(path)) return changed;
  if (platform::OsStatus moved = moveAside(move); !moved.ok()) return moved;
  if (asScanned && !asScanned(move.to)) {
    // Saved in the moment between: back under its name, unless a new file
    // took the name since; then it stays kept here.
    if (!platform::renameFile(move.to, path).ok()) ++kept_;
    return changed;
  }
  ++kept_;
  return {};
}

void TVersionStore::Looked(const std::string& path, bool nothing) {
  if (nothing)
    nothingAt_ = path;
  else
    nothingAt_.reset();
}

void TVersionStore::Prepare(const std::string& path, bool absentAtScan) {
  prepared_.reset();
  nothingAt_.reset();
  if (absentAtScan || !Present(path)) return;
  Moved move;
  if (placeFor(path, move).ok()) prepared_ = std::move(move);
}

platform::OsStatus TVersionStore::KeepBeforeReplace(const std::string& path) {
  pending_.reset();
  const bool seenNothing = nothingAt_ == path;
  nothingAt_.reset();
  Moved move;
  if (prepared_ && prepared_->from == path) {
    move = std::move(*prepared_);
    prepared_.reset();
  } else {
    if (seenNothing || !Present(path)) return {};
    if (platform::OsStatus r = placeFor(path, move); !r.ok()) return r;
  }
  // A second name first: the file never leaves its own.
  if (!noLinks_) {
    const platform::OsStatus linked = platform::linkFile(path, move.to);
    if (linked.ok()) {
      placed_.insert(platform::foldedCase(move.to));
      ++kept_;
      return {};
    }
    noLinks_ = DriveTakesNoLinks(linked);
  }
  platform::OsStatus moved = moveAside(move);
  // Another drive below the root: the copy replaces the file, unkept. Gone
  // since it was prepared for: nothing to keep.
  if (moved.code == std::errc::cross_device_link || moved.code == std::errc::no_such_file_or_directory) return {};
  if (!moved.ok()) return moved;
  pending_ = std::move(move);
  ++kept_;
  return {};
}

void TVersionStore::Settle(bool replaced) {
  nothingAt_.reset();
  if (pending_ && !replaced && platform::renameFile(pending_->to, pending_->from).ok()) --kept_;
  pending_.reset();
}

void PruneVersions(const std::string& root, std::int32_t days, std::int32_t sharePercent, platform::TDateTime now) {
  const std::string versions = VersionsFolder(root);
  std::vector<platform::NamedState> entries;
  if (!platform::listEntries(versions, entries).ok()) return;
  struct Run {
    std::string path;
    platform::TDateTime start;
  };
  std::vector<Run> runs;
  const std::int64_t maxAge = static_cast<std::int64_t>(days) * 86'400'000;
  for (const platform::NamedState& entry : entries) {
    const std::optional<platform::TDateTime> start = RunStart(entry.name);
    if (!start || !entry.state.isFolder || entry.state.isLink) continue;
    const std::string path = versions + entry.name;
    if (platform::millisecondsBetween(now, *start) > maxAge)
      platform::removeTree(path);
    else
      runs.push_back({path, *start});
  }
  if (runs.empty()) return;
  const platform::OsResult<std::int64_t> capacity = platform::driveCapacity(root);
  if (!capacity.ok() || capacity.value <= 0) return;
  const long double allowed = static_cast<long double>(capacity.value) * sharePercent / 100;
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.start < b.start; });
  std::vector<std::int64_t> sizes;
  std::int64_t total = 0;
  for (const Run& run : runs) {
    platform::FolderReader folder;
    sizes.push_back(folder.open(run.path) ? 0 : TreeBytes(folder));
    total += sizes.back();
  }
  for (std::size_t i = 0; i < runs.size() && static_cast<long double>(total) > allowed; ++i)
    if (platform::removeTree(runs[i].path).ok()) total -= sizes[i];
}
