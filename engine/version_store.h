// Old versions of what a run deletes or overwrites on one side: kept on the
// same drive under <root>/.~drovan-versions/<run start>/<path below root>,
// put there by a rename (or, before a replacement, a hard link where the
// drive has them). At every moment a file is under its old name, in the
// versions folder, or replaced under its new content; a crash leaves one of
// them. The walk never lists the versions folder.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>

#include "platform/datetime.h"
#include "platform/os_status.h"

// The name of a run's folder: its start, local time, "2026-12-09 153012".
std::string VersionRunName(platform::TDateTime start);

// <root>/.~drovan-versions/ for a root with its trailing delimiter.
std::string VersionsFolder(const std::string& root);

class TVersionStore {
 public:
  // root: the side's folder with its trailing delimiter; run: VersionRunName
  // of the run's start. Nothing is created before something is kept.
  TVersionStore(std::string root, std::string run);

  // Instead of a deletion: moves the file (or link) at path, which lies
  // below root, into the run's folder under its path below root. Fails,
  // the file left in place, when that cannot be done; EXDEV when path lies
  // on another drive than root, which the versions cannot hold.
  // asScanned, when given, tells whether what is at a path is still what
  // the scan saw at path: asked right before the move, and of the moved
  // file right after it, so that a save that lands in between is seen. A
  // file changed before the move stays; one changed during it goes back
  // to its name. Either ends in a ChangedSinceScanError status.
  platform::OsStatus Discard(const std::string& path,
                             const std::function<bool(const std::string& at)>& asScanned = {});

  // Right before the file at path is replaced: keeps what path holds now,
  // as a hard link where the drive has them (path keeps its file until the
  // replacement) or else moved aside. Nothing at path: nothing to keep.
  platform::OsStatus KeepBeforeReplace(const std::string& path);
  // Makes the place for path ready beforehand (its folders, a free name), so
  // that KeepBeforeReplace takes one call and the moment between the last
  // look at the file and its replacement stays short. Nothing at path:
  // nothing made. absentAtScan: the scan saw nothing at path, so nothing is
  // looked at here (a look costs a round trip on FUSE); should something be
  // there after all, KeepBeforeReplace still finds and keeps it.
  void Prepare(const std::string& path, bool absentAtScan = false);
  // A look at path just now found nothing there (nothing: true) or
  // something. A KeepBeforeReplace of path that follows before any other
  // call trusts it and looks no more.
  void Looked(const std::string& path, bool nothing);
  // After the replacement KeepBeforeReplace prepared: when it did not
  // happen, a file moved aside goes back to its name.
  void Settle(bool replaced);

  // Files kept so far.
  std::int64_t Kept() const { return kept_; }
  // The run's folder, full path, once something was kept there.
  const std::string& RunFolder() const { return runFolder_; }

 private:
  struct Moved {
    std::string from, to;
    bool free = false;  // `to` needs no look before the rename
  };
  // A free name in the run's folder for path, its folders created.
  platform::OsStatus placeFor(const std::string& path, Moved& place);
  platform::OsStatus ensureFolder(const std::string& folder);
  platform::OsStatus moveAside(const Moved& move);

  std::string root_;
  std::string run_;
  std::string runFolder_;
  std::unordered_set<std::string> folders_;  // made or found by this store
  std::unordered_set<std::string> made_;     // made by it: nothing else is in them
  std::unordered_set<std::string> placed_;   // what it put or made there, letter case folded
  std::optional<Moved> pending_;
  std::optional<std::string> nothingAt_;  // Looked found nothing there
  std::optional<Moved> prepared_;  // from: the path, to: its place  // moved aside for a replacement not yet settled
  std::int64_t kept_ = 0;
  // The drive refused a hard link: it has none (FAT, exFAT), and asking
  // again per file is a round trip each on a stick through FUSE.
  bool noLinks_ = false;
};

// Retention, at the start of a run: removes from root's versions folder the
// runs older than days before now, then the oldest runs while the versions
// take more than sharePercent of the drive. Only folders named as runs are
// ever removed. Failures leave what could not be removed.
void PruneVersions(const std::string& root, std::int32_t days, std::int32_t sharePercent, platform::TDateTime now);
