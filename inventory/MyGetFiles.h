// The folder walk: every folder and file below a root, depth first with a
// folder's own entry before its contents, as entry strings (file_info.h),
// plus the newest file time seen. Links are followed, but a folder that is
// already on the current path (a cycle) is listed and not entered; links that
// lead nowhere, pipes, sockets and devices are not listed. The copy's
// temporary files are never listed, and leftovers from a crash are removed.
// A subfolder that cannot be read, or holds an entry that cannot be examined,
// contributes no entries or only some; its own entry is still there, and
// VisitFiles names it to the caller, who must not take the missing contents
// for deleted ones. The walk polls StopSync (pglobal.h)
// before every entry and, when it is set, returns what it has gathered.
//
// Runs on the job's thread; the calls share no state, so several walks may
// run at once.
#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/datetime.h"
#include "platform/folder_reader.h"

using platform::TDateTime;

class TMyDirectory {
 public:
  TMyDirectory() = delete;

  // Decides for one entry of the folder folderPath; true keeps it. The entry
  // (its name in particular) is valid only during the call.
  using TFilterPredicate =
      std::function<bool(const std::string& folderPath, const platform::FolderEntry& entry)>;
  // Called for one entry of the folder folderPath; false stops the walk.
  using TDirectoryWalkProc =
      std::function<bool(const std::string& folderPath, const platform::FolderEntry& entry)>;

  // Validates the root and the pattern, then walks (DoGetFiles). Errors, all
  // raised before anything is listed:
  //   ENotSupportedException      the current folder cannot be read (its
  //                               OS text) for a relative Path
  //   EArgumentException          "Invalid characters in search pattern":
  //                               pattern empty, blank, or holding "/" or NUL
  //   EPathTooLongException       "The specified path is too long": the
  //                               full path has PATH_MAX bytes or more
  //   EArgumentException          "Invalid characters in path": Path empty
  //                               or holding NUL
  //   EDirectoryNotFoundException "The specified path was not found"
  // The predicate's exceptions (EMaskException of the type filter) pass
  // through. NewestFileTime is set only when the walk returns normally.
  static std::vector<std::string> GetFiles(const std::string& Path,
                                           const std::string& SearchPattern, bool Recursive,
                                           const TFilterPredicate& Predicate,
                                           TDateTime& NewestFileTime);

  // The walk without validation. Entries whose name matches SearchPattern
  // ("*.*": every entry) and that Predicate (when given) keeps become entry
  // strings; a folder entry carries the time of the most recently kept file
  // (0 before the first), a file its own time in whole seconds.
  // NewestFileTime is the newest kept file's time with milliseconds, 0 when
  // no file was kept.
  static std::vector<std::string> DoGetFiles(const std::string& Path,
                                             const std::string& SearchPattern, bool Recursive,
                                             const TFilterPredicate& Predicate,
                                             TDateTime& NewestFileTime);

  // Calls PreVisit for every matching entry before descending into it (when
  // Recursive and a folder), PostVisit after. Either may be empty. The root
  // itself is not visited; a root that cannot be opened gives no calls.
  // Raises EMaskException when SearchPattern is not "*.*" and not a valid
  // mask, at the first entry.
  static void WalkDirectory(const std::string& Path, const std::string& SearchPattern,
                            const TDirectoryWalkProc& PreVisit,
                            const TDirectoryWalkProc& PostVisit, bool Recursive);

  // Receives one kept entry of the walk: the folder it is in, the entry, and
  // the time its entry string carries (to the millisecond; the text drops
  // the fraction).
  using TEntrySink =
      std::function<void(const std::string& folderPath, const platform::FolderEntry& entry, TDateTime time)>;

  // Receives a folder of the walk whose contents could not be listed (the
  // root included): its path as the walk forms it, and the OS's reason. A
  // folder too deep to be named by a path counts, with ENAMETOOLONG; a link
  // cycle, which is listed and deliberately not entered, does not.
  using TUnreadSink = std::function<void(const std::string& folderPath, std::error_code error)>;

  // GetFiles handing every kept entry to Sink instead of making entry
  // strings: the same validation, order, times and errors, without holding
  // a text per entry. Unread, when given, hears of every folder whose
  // contents are missing from the walk.
  // Fenced, when given, holds folders the walk must not enter (the other
  // synchronised folder and the folders above it); a folder of the walk
  // that is one of them reaches Unread with FencedFolderError().
  // RemoveCopyTemps false leaves the copy's leftover temporary files where
  // they are (a walk that must change nothing); they are not listed either way.
  static void VisitFiles(const std::string& Path, const std::string& SearchPattern, bool Recursive,
                         const TFilterPredicate& Predicate, TDateTime& NewestFileTime, const TEntrySink& Sink,
                         const TUnreadSink& Unread = {}, const std::vector<platform::FileIdentity>* Fenced = nullptr,
                         bool RemoveCopyTemps = true);

  // Path1 and Path2 joined by one "/" (none when Path1 already ends in "/").
  // Path2 alone when Path1 is empty or Path2 is rooted; Path1 alone when
  // Path2 is empty. Raises EArgumentException "Invalid characters in path"
  // when Path2 holds NUL.
  static std::string CombinePath(const std::string& Path1, const std::string& Path2);

 private:
  static void ValidateRoot(const std::string& Path, const std::string& SearchPattern);
  static void DoVisitFiles(const std::string& Path, const std::string& SearchPattern, bool Recursive,
                           const TFilterPredicate& Predicate, TDateTime& NewestFileTime, const TEntrySink& Sink,
                           const TUnreadSink& Unread, const std::vector<platform::FileIdentity>* Fenced,
                           bool RemoveCopyTemps);
};

// The reason given for a fenced folder: it is, or holds, the other
// synchronised folder.
std::error_code FencedFolderError();

// The type filter of the two lists, or none when AllSync is set.
TMyDirectory::TFilterPredicate FilterOf(bool AllSync, const std::vector<std::string>& AllowList,
                                        const std::vector<std::string>& NoAllowList);

// The engine's scan of one watched folder: GetFiles with "*.*", recursion and
// the file-type filter of the two lists (file_type_filter.h), or no filter at
// all when AllSync is set. The lists are read during the walk, not copied.
std::vector<std::string> GetFileAry(const std::string& Path, TDateTime& NewestFileTime,
                                    bool AllSync, const std::vector<std::string>& AllowList,
                                    const std::vector<std::string>& NoAllowList);
