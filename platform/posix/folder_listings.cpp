// Kept listings of FUSE folders. Keys are the folders' paths folded to one
// letter case, so that a folder named in another spelling on a drive that
// ignores case finds its listing; on a drive that does not, two folders may
// share a key, which costs at worst a fresh read, since a name is only ever
// taken from a listing read of the folder asked about.
#include "platform/posix/folder_listings.h"

#include <dirent.h>

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/case_fold.h"
#include "platform/file_ops.h"
#include "platform/posix/file_ops_internal.h"
#include "platform/posix/unix_variant.h"

namespace platform {
namespace detail {
namespace {

std::string folded(std::string_view text) { return foldedCase(text); }

// The names of a folder, with how many of them share each folded form.
struct Listing {
  std::string dir;  // the folder as it was asked about, in its own spelling
  std::unordered_set<std::string> names;
  std::unordered_map<std::string, int> foldedCounts;

  void add(const std::string& name) {
    if (names.insert(name).second) ++foldedCounts[folded(name)];
  }
  void remove(const std::string& name) {
    if (names.erase(name) == 0) return;
    const auto it = foldedCounts.find(folded(name));
    if (it != foldedCounts.end() && --it->second == 0) foldedCounts.erase(it);
  }
  bool hasVariantOf(const std::string& name) const { return foldedCounts.contains(folded(name)); }
};

std::optional<std::vector<std::string>> readListing(const std::string& dir) {
  std::unique_ptr<DIR, DirCloser> handle(opendir(dir.c_str()));
  if (!handle) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(handle.get())) names.emplace_back(entry->d_name);
  return names;
}

class ListingCache {
 public:
  static ListingCache& instance() {
    static ListingCache cache;
    return cache;
  }

  void open() {
    std::lock_guard lock(mutex_);
    ++scopes_;
  }
  void close() {
    std::lock_guard lock(mutex_);
    if (--scopes_ == 0) {
      listings_.clear();
      fuseFolders_.clear();
      folderDrives_.clear();
      renameKeepsTime_.clear();
      noReplaceRefused_.clear();
    }
  }

  std::string spelling(const std::string& dir, const std::string& name) {
    {
      std::lock_guard lock(mutex_);
      if (scopes_ > 0) {
        const auto it = listings_.find(folded(dir));
        if (it != listings_.end() && it->second.names.contains(name)) return name;
      }
    }
    const auto names = readListing(dir);
    if (!names) return name;
    std::string result = name;
    const std::string wanted = folded(name);
    int candidates = 0;
    bool listed = false;
    for (const std::string& listedName : *names) {
      if (listedName == name) {
        listed = true;
        break;
      }
      if (folded(listedName) == wanted && ++candidates == 1) result = listedName;
    }
    if (listed || candidates != 1) result = name;

    std::lock_guard lock(mutex_);
    if (scopes_ > 0) {
      Listing& kept = listings_[folded(dir)] = Listing{};
      kept.dir = dir;
      for (const std::string& n : *names) kept.add(n);
    }
    return result;
  }

  bool absent(const std::string& dir, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (scopes_ == 0) return false;
    const auto it = listings_.find(folded(dir));
    // Only a listing of this very folder: on a drive that heeds letter case
    // another folder may share its key.
    return it != listings_.end() && it->second.dir == dir && !it->second.hasVariantOf(name);
  }

  // Asks the FUSE daemon at most once per folder while a scope lives.
  bool onFuse(const std::string& dir) {
    {
      std::lock_guard lock(mutex_);
      if (scopes_ > 0) {
        const auto it = fuseFolders_.find(dir);
        if (it != fuseFolders_.end()) return it->second;
      }
    }
    const bool fuse = onFuseDrive(dir);
    std::lock_guard lock(mutex_);
    if (scopes_ > 0) fuseFolders_.emplace(dir, fuse);
    return fuse;
  }

  void created(const std::string& dir, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (listings_.empty()) return;
    const auto it = listings_.find(folded(dir));
    if (it == listings_.end() || it->second.names.contains(name)) return;
    // Written over another spelling: which one the folder now lists is the
    // drive's choice.
    if (it->second.hasVariantOf(name))
      listings_.erase(it);
    else
      it->second.add(name);
  }

  // A folder just made is empty and on its parent's drive: neither needs
  // asking (on FUSE each would be a round trip to the drive process).
  void createdFolder(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::lock_guard lock(mutex_);
    if (scopes_ == 0) return;
    const auto parent = fuseFolders_.find(parentOf(path));
    if (parent == fuseFolders_.end()) return;
    const bool fuse = parent->second;
    fuseFolders_.emplace(path, fuse);
    if (const auto drive = folderDrives_.find(parentOf(path)); drive != folderDrives_.end())
      folderDrives_.emplace(path, drive->second);
    if (fuse) listings_.emplace(folded(path), Listing{path, {}, {}});
  }

  std::optional<dev_t> drive(const std::string& dir) {
    std::lock_guard lock(mutex_);
    const auto it = folderDrives_.find(dir);
    if (it == folderDrives_.end()) return std::nullopt;
    return it->second;
  }
  void setDrive(const std::string& dir, dev_t drive) {
    std::lock_guard lock(mutex_);
    if (scopes_ > 0) folderDrives_[dir] = drive;
  }
  std::optional<bool> keepsTime(dev_t drive) {
    std::lock_guard lock(mutex_);
    const auto it = renameKeepsTime_.find(drive);
    if (it == renameKeepsTime_.end()) return std::nullopt;
    return it->second;
  }
  // One rename that changed the time is enough to check every rename after.
  void setKeepsTime(dev_t drive, bool keeps) {
    std::lock_guard lock(mutex_);
    if (scopes_ == 0) return;
    const auto [it, added] = renameKeepsTime_.emplace(drive, keeps);
    if (!added && !keeps) it->second = false;
  }

  bool keeping() {
    std::lock_guard lock(mutex_);
    return scopes_ > 0;
  }

  void listed(std::string dir, dev_t drive, std::vector<std::string> names) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    Listing listing{dir, {}, {}};
    for (std::string& name : names) listing.add(std::move(name));
    std::lock_guard lock(mutex_);
    if (scopes_ == 0) return;
    fuseFolders_[dir] = true;
    folderDrives_[dir] = drive;
    listings_[folded(dir)] = std::move(listing);  // as fresh as any kept one
  }

  bool noReplaceRefused(dev_t drive) {
    std::lock_guard lock(mutex_);
    return noReplaceRefused_.contains(drive);
  }
  void setNoReplaceRefused(dev_t drive) {
    std::lock_guard lock(mutex_);
    if (scopes_ > 0) noReplaceRefused_.insert(drive);
  }

  void removed(const std::string& dir, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (listings_.empty()) return;
    const auto it = listings_.find(folded(dir));
    if (it == listings_.end()) return;
    if (it->second.names.contains(name))
      it->second.remove(name);
    else if (it->second.hasVariantOf(name))
      listings_.erase(it);  // removed through another spelling
  }

  void forget(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (listings_.empty()) return;
    std::string key = folded(path);
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    std::erase_if(listings_, [&](const auto& entry) {
      const std::string& k = entry.first;
      return k == key || (k.size() > key.size() && k.starts_with(key) &&
                          (key.ends_with('/') || k[key.size()] == '/'));
    });
  }

 private:
  std::mutex mutex_;
  int scopes_ = 0;
  std::unordered_map<std::string, Listing> listings_;
  std::unordered_map<std::string, bool> fuseFolders_;
  std::unordered_map<std::string, dev_t> folderDrives_;
  std::unordered_map<dev_t, bool> renameKeepsTime_;
  std::unordered_set<dev_t> noReplaceRefused_;
};

}  // namespace

bool isOnFuse(const std::string& dir) { return ListingCache::instance().onFuse(dir); }

std::string listedSpelling(const std::string& dir, const std::string& name) {
  return ListingCache::instance().spelling(dir, name);
}

bool knownAbsent(const std::string& dir, const std::string& name) {
  return ListingCache::instance().absent(dir, name);
}

void noteCreated(const std::string& dir, const std::string& name) { ListingCache::instance().created(dir, name); }

void noteCreatedFolder(const std::string& path) { ListingCache::instance().createdFolder(path); }

void noteRemoved(const std::string& dir, const std::string& name) { ListingCache::instance().removed(dir, name); }

std::optional<dev_t> folderDrive(const std::string& dir) { return ListingCache::instance().drive(dir); }
void noteFolderDrive(const std::string& dir, dev_t drive) { ListingCache::instance().setDrive(dir, drive); }
std::optional<bool> renameKeepsTime(dev_t drive) { return ListingCache::instance().keepsTime(drive); }
void noteRenameKeepsTime(dev_t drive, bool keeps) { ListingCache::instance().setKeepsTime(drive, keeps); }
bool refusesNoReplace(dev_t drive) { return ListingCache::instance().noReplaceRefused(drive); }
void noteRefusesNoReplace(dev_t drive) { ListingCache::instance().setNoReplaceRefused(drive); }

void forgetListings(const std::string& path) { ListingCache::instance().forget(path); }

bool keepingListings() { return ListingCache::instance().keeping(); }
void noteListing(const std::string& dir, dev_t drive, std::vector<std::string> names) {
  ListingCache::instance().listed(dir, drive, std::move(names));
}

}  // namespace detail

ListingCacheScope::ListingCacheScope() { detail::ListingCache::instance().open(); }

ListingCacheScope::~ListingCacheScope() { detail::ListingCache::instance().close(); }

}  // namespace platform
