#include "inventory/MyGetFiles.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "inventory/file_info.h"
#include "inventory/file_mask.h"
#include "inventory/file_type_filter.h"
#include "inventory/pglobal.h"
#include "platform/exceptions.h"
#include "platform/full_path.h"
#include "platform/path_syntax.h"

namespace {

constexpr std::string_view kMatchAll = "*.*";

// Below this depth every folder on the current path keeps its handle; deeper
// folders are read ahead and released, so a deep tree cannot run the process
// out of descriptors.
constexpr std::size_t kHeldFolderLimit = 100;

// CombinePath for a name read from a folder: never empty, never rooted, no
// NUL.
void appendCombined(std::string& out, std::string_view name) {
  if (platform::needsDelimiterAfter(out)) out.push_back(PathDelim);
  out.append(name);
}

class Walker {
 public:
  Walker(const std::string& pattern, const TMyDirectory::TDirectoryWalkProc& preVisit,
         const TMyDirectory::TDirectoryWalkProc& postVisit, bool recursive,
         TMyDirectory::TUnreadSink unread = {}, const std::vector<platform::FileIdentity>* fenced = nullptr,
         bool removeCopyTemps = true)
      : pattern_(pattern),
        matchAll_(pattern == kMatchAll),
        preVisit_(preVisit),
        postVisit_(postVisit),
        recursive_(recursive),
        unread_(std::move(unread)),
        fenced_(fenced),
        removeCopyTemps_(removeCopyTemps),
        maxPath_(platform::maxPathLength()) {}

  void run(const std::string& root) {
    platform::FolderReader folder;
    folder.setRemoveCopyTemps(removeCopyTemps_);
    path_ = root;
    if (const std::error_code failed = folder.open(root)) {
      notListed(failed);
      return;
    }
    ancestors_.push_back(folder.id());
    walk(folder);
  }

 private:
  bool matches(std::string_view name) {
    if (matchAll_) return true;
    if (!mask_) mask_.emplace(pattern_);
    return mask_->Matches(name);
  }

  void walk(platform::FolderReader& folder) {
    if (ancestors_.size() > kHeldFolderLimit) folder.readAllAndRelease();
    platform::FolderEntry entry;
    for (;;) {
      if (StopSync.load(std::memory_order_relaxed)) {
        stopped_ = true;
        return;
      }
      if (!folder.next(entry)) {
        if (const std::error_code failed = folder.error()) notListed(failed);
        return;
      }
      const bool match = matches(entry.name);
      bool stop = match && preVisit_ && !preVisit_(path_, entry);
      if (!stop) {
        if (recursive_ && entry.isFolder) descend(folder, entry);
        if (stopped_) return;
        stop = match && postVisit_ && !postVisit_(path_, entry);
      }
      if (stop) {
        stopped_ = true;
        return;
      }
    }
  }

  bool onCurrentPath(const platform::FileIdentity& id) const {
    return std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end();
  }

  bool isFenced(const platform::FileIdentity& id) const {
    return fenced_ && std::find(fenced_->begin(), fenced_->end(), id) != fenced_->end();
  }

  void descend(const platform::FolderReader& parent, const platform::FolderEntry& entry) {
    if (onCurrentPath(entry.id)) return;  // a cycle: listed, not entered
    const std::size_t parentLength = path_.size();
    appendCombined(path_, entry.name);
    if (isFenced(entry.id)) {
      notListed(FencedFolderError());
      path_.resize(parentLength);
      return;
    }
    // A folder that cannot be named by a path is not entered, like one that
    // cannot be opened: the copy could not reach its contents either.
    if (path_.size() < maxPath_) {
      platform::FolderReader child;
      child.setRemoveCopyTemps(removeCopyTemps_);
      const std::error_code failed =
          parent.isOpen() ? child.openChild(parent, entry.name) : child.open(path_);
      if (failed) {
        notListed(failed);
      } else if (!onCurrentPath(child.id())) {
        ancestors_.push_back(child.id());
        walk(child);
        ancestors_.pop_back();
      }
    } else {
      notListed(std::make_error_code(std::errc::filename_too_long));
    }
    path_.resize(parentLength);
  }

  // The folder being listed (path_) lacks some or all of its contents.
  void notListed(std::error_code error) const {
    if (unread_) unread_(path_, error);
  }

  const std::string& pattern_;
  const bool matchAll_;
  std::optional<TMask> mask_;
  const TMyDirectory::TDirectoryWalkProc& preVisit_;
  const TMyDirectory::TDirectoryWalkProc& postVisit_;
  const bool recursive_;
  const TMyDirectory::TUnreadSink unread_;
  const std::vector<platform::FileIdentity>* fenced_;
  const bool removeCopyTemps_;
  const std::size_t maxPath_;

  std::string path_;  // the folder being listed
  std::vector<platform::FileIdentity> ancestors_;
  bool stopped_ = false;
};

bool isBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

}  // namespace

std::string TMyDirectory::CombinePath(const std::string& Path1, const std::string& Path2) {
  if (Path1.empty()) return Path2;
  if (Path2.empty()) return Path1;
  if (platform::hasInvalidPathChar(Path2)) throw EArgumentException("Invalid characters in path", Path2);
  if (platform::isRootedPath(Path2)) return Path2;
  std::string out;
  out.reserve(Path1.size() + 1 + Path2.size());
  out.append(Path1);
  appendCombined(out, Path2);
  return out;
}

void TMyDirectory::WalkDirectory(const std::string& Path, const std::string& SearchPattern,
                                 const TDirectoryWalkProc& PreVisit,
                                 const TDirectoryWalkProc& PostVisit, bool Recursive) {
  Walker(SearchPattern, PreVisit, PostVisit, Recursive).run(Path);
}

void TMyDirectory::DoVisitFiles(const std::string& Path, const std::string& SearchPattern, bool Recursive,
                                const TFilterPredicate& Predicate, TDateTime& NewestFileTime,
                                const TEntrySink& Sink, const TUnreadSink& Unread,
                                const std::vector<platform::FileIdentity>* Fenced, bool RemoveCopyTemps) {
  TDateTime lastWriteTime = 0;
  TDateTime tempDateTime = 0;
  const TDirectoryWalkProc step = [&](const std::string& folder, const platform::FolderEntry& entry) {
    if (entry.name == "." || entry.name == "..") return true;
    if (Predicate && !Predicate(folder, entry)) return true;
    if (!entry.isFolder) {
      tempDateTime = platform::fileTimeToDateTime(entry.mtimeSeconds, entry.mtimeNanoseconds);
      if (tempDateTime > lastWriteTime) lastWriteTime = tempDateTime;
    }
    Sink(folder, entry, tempDateTime);
    return true;
  };
  Walker(SearchPattern, step, nullptr, Recursive, Unread, Fenced, RemoveCopyTemps).run(Path);
  NewestFileTime = lastWriteTime;
}

std::vector<std::string> TMyDirectory::DoGetFiles(const std::string& Path,
                                                  const std::string& SearchPattern,
                                                  bool Recursive,
                                                  const TFilterPredicate& Predicate,
                                                  TDateTime& NewestFileTime) {
  std::vector<std::string> resultArray;
  std::string fullPath;
  DoVisitFiles(Path, SearchPattern, Recursive, Predicate, NewestFileTime,
               [&](const std::string& folder, const platform::FolderEntry& entry, TDateTime time) {
                 fullPath.assign(folder);
                 appendCombined(fullPath, entry.name);
                 std::string line;
                 line.reserve(fullPath.size() + 32);
                 AppendEntryString(line, fullPath, entry.isFolder, time, entry.size);
                 resultArray.push_back(std::move(line));
               },
               {}, nullptr, true);
  return resultArray;
}

void TMyDirectory::ValidateRoot(const std::string& Path, const std::string& SearchPattern) {
  platform::FullPathResult full;
  if (!Path.empty()) {
    full = platform::expandFullPath(Path);
    if (full.error && full.error != std::errc::no_such_file_or_directory)
      throw ENotSupportedException(full.error.message(), Path);
  }
  if (isBlank(SearchPattern) || std::any_of(SearchPattern.begin(), SearchPattern.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x80 && c != '*' && c != '?' && platform::isInvalidFileNameChar(b);
      }))
    throw EArgumentException("Invalid characters in search pattern", Path);
  if (platform::pathLength(full.path) >= platform::maxPathLength() && platform::extendedPrefixLength(full.path) == 0)
    throw EPathTooLongException("The specified path is too long", Path);
  if (platform::hasMisplacedVolumeSeparator(full.path))
    throw ENotSupportedException("The path format is not supported", Path);
  if (Path.empty() || platform::hasInvalidPathChar(Path))
    throw EArgumentException("Invalid characters in path", Path);
  // The walk opens the path as given, so existence is checked on that form:
  // ".." after a link means the link target's parent to the OS.
  if (!platform::isExistingFolder(Path))
    throw EDirectoryNotFoundException("The specified path was not found", Path);
}

std::vector<std::string> TMyDirectory::GetFiles(const std::string& Path,
                                                const std::string& SearchPattern,
                                                bool Recursive,
                                                const TFilterPredicate& Predicate,
                                                TDateTime& NewestFileTime) {
  ValidateRoot(Path, SearchPattern);
  return DoGetFiles(Path, SearchPattern, Recursive, Predicate, NewestFileTime);
}

void TMyDirectory::VisitFiles(const std::string& Path, const std::string& SearchPattern, bool Recursive,
                              const TFilterPredicate& Predicate, TDateTime& NewestFileTime,
                              const TEntrySink& Sink, const TUnreadSink& Unread,
                              const std::vector<platform::FileIdentity>* Fenced, bool RemoveCopyTemps) {
  ValidateRoot(Path, SearchPattern);
  DoVisitFiles(Path, SearchPattern, Recursive, Predicate, NewestFileTime, Sink, Unread, Fenced, RemoveCopyTemps);
}

namespace {

class FencedCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "walk"; }
  std::string message(int) const override { return "leads into the other synchronised folder"; }
};

}  // namespace

std::error_code FencedFolderError() {
  static const FencedCategory category;
  return {1, category};
}

TMyDirectory::TFilterPredicate FilterOf(bool AllSync, const std::vector<std::string>& AllowList,
                                        const std::vector<std::string>& NoAllowList) {
  if (AllSync) return {};
  return MakeFileTypeFilter(AllowList, NoAllowList);
}

std::vector<std::string> GetFileAry(const std::string& Path, TDateTime& NewestFileTime,
                                    bool AllSync, const std::vector<std::string>& AllowList,
                                    const std::vector<std::string>& NoAllowList) {
  return TMyDirectory::GetFiles(Path, std::string(kMatchAll), true, FilterOf(AllSync, AllowList, NoAllowList),
                                NewestFileTime);
}
