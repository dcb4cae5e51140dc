// The file operations a sync applies to its two folders: a copy with byte
// progress that puts the new file in place atomically, rename without
// replacing, delete, folder creation and removal, the hand-over of folder
// permissions, file identities, and the flush at the end of a job.
//
// Every operation returns an OsStatus (os_status.h) carrying the errno
// (generic category; a Windows error in the system category on Windows),
// the failing operation and the path it concerned; none of them throws.
// All functions may be called from any thread; they share no state beyond
// the system-call table of platform/syscalls.h.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/file_identity.h"
#include "platform/os_status.h"

namespace platform {

// The identity of what `path` names, following links (fileIdentity) or not
// (lfileIdentity); nullopt when it cannot be examined. On a FUSE drive that
// ignores letter case, inode numbers belong to the spelling used, so the
// path is first respelled as the names stand on the disk: `REPORT.txt` and
// `Report.txt` then give one identity there, as they do on kernel drivers.
std::optional<FileIdentity> fileIdentity(const std::string& path);
std::optional<FileIdentity> lfileIdentity(const std::string& path);

// While one lives, the folder listings that identity look-ups read on FUSE
// drives are kept, and this process's own file operations keep them
// current; a job holds one around its scan and its changes. Without one,
// every look-up reads the listing afresh.
class ListingCacheScope {
 public:
  ListingCacheScope();
  ~ListingCacheScope();
  ListingCacheScope(const ListingCacheScope&) = delete;
  ListingCacheScope& operator=(const ListingCacheScope&) = delete;
};

// True when the folder `inner` is the folder `outer` or lies anywhere below
// it. The folders on the way up are compared by identity, so another
// spelling or a bind mount of the same folder counts. False when either
// cannot be examined.
bool folderWithin(const std::string& inner, const std::string& outer);

// Bytes moved between two progress calls (the last chunk may be shorter).
inline constexpr std::int64_t kCopyChunkSize = 1 << 20;

enum class CopyStep {
  Start,  // once, before any data moves: copied 0, total the source size
  Chunk,  // after each chunk; an empty file reports one chunk of 0 bytes
};
enum class CopyProgressAction { Continue, Cancel };

// Called on the copying thread. `total` is the source size when the copy
// began (raised to `copied` should the source grow meanwhile, which then
// fails the copy). After Cancel it is not called again for that copy.
using CopyProgress =
    std::function<CopyProgressAction(CopyStep step, std::int64_t copied, std::int64_t total)>;

struct CopyOptions {
  // When set, an existing destination whose identity it accepts is refused
  // (error EEXIST, operation "copy") before anything is written. This is how
  // a caller keeps a second source file from overwriting one it has already
  // written under another spelling on a drive that ignores letter case.
  std::function<bool(const FileIdentity&)> refuseExisting;
  // When set, asked once before anything is written and once more right
  // before the new file is put in place: a failure it returns ends the copy
  // with that status, the destination left as it is. This is how a caller
  // makes sure the destination is still what it saw when it planned the copy.
  std::function<OsStatus()> confirmDestination;
  // confirmDestination accepts a destination that leads nowhere: when the
  // look before writing finds none, it is not asked that first time (on
  // FUSE each look is a round trip to the drive process).
  bool confirmAcceptsMissing = false;
  // When set, called right before the new file is put in place, after the
  // last confirmDestination: a failure it returns ends the copy with that
  // status and nothing put in place. This is where a caller keeps the old
  // destination (a hard link to it, or the file itself moved aside).
  std::function<OsStatus()> beforeReplace;
  // The destination's drive keeps of the mode bits only whether a file may
  // be written (FAT, exFAT): a source with the owner-write bit has nothing
  // to hand over there, and its bits are not set.
  bool onlyWriteBitKept = false;
  // The new file is flushed to its drive (fsync) before it takes its name.
  // A flush that fails does not fail the copy; CopyResult::flushed says
  // whether it succeeded, and the caller flushes again later.
  bool flushBeforePlacing = false;
  // The destination's drive is known to keep a file's modification time
  // when the file is renamed (exFAT). Otherwise, on FUSE, the placed file's
  // time is looked at and set again where the rename changed it (FAT
  // through FUSE gives a renamed file the current time).
  bool renameKeepsTime = false;
  // The destination's drive gives a renamed file a new time (FAT through
  // FUSE), or may: the time is set once, after the rename, by the path.
  bool timeAfterRename = false;
};

struct CopyResult {
  OsStatus status;
  // The new destination file, on success.
  std::optional<FileIdentity> written;
  // On success: flushBeforePlacing was asked for and the flush succeeded.
  bool flushed = false;
  bool ok() const noexcept { return status.ok(); }
};

// Copies `source` (links followed) to `destination`, creating or replacing
// it. The data goes into a hidden temporary file in the destination's folder
// (see temp_names.h) in chunks of kCopyChunkSize, then the source's mode bits
// and modification time (nanoseconds) are set and the file is renamed over
// the destination, so no partial file ever appears under the real name.
// Refused without writing anything: a source that is not a regular file
// (a FIFO is never waited on), a destination that is a folder (EISDIR) or
// lacks the owner-write bit (EACCES), and what options.refuseExisting
// refuses. A source that changed while it was read (its size or time
// moved) fails the copy with EAGAIN, since what was read may mix two
// versions. A cancelled (ECANCELED) or failed copy removes its temporary file
// and leaves an existing destination as it was. A destination that is a
// link is replaced by the new file; what it pointed to is left alone.
// `progress` may be empty.
CopyResult copyFileWithProgress(const std::string& source, const std::string& destination,
                                const CopyProgress& progress, const CopyOptions& options = {});

// Renames a file or folder. Fails with EEXIST, replacing nothing, when `to`
// already names another file; a change of letter case only of the same file
// (`a.txt` to `A.txt` on a drive that ignores case) is carried out.
OsStatus renameFile(const std::string& from, const std::string& to);
// renameFile where the caller knows that nothing is at `to` (a name it took
// in a folder it made itself): on a drive that cannot refuse to replace by
// itself, `to` is not looked at first, which on FUSE is a round trip.
OsStatus renameFileToFreeName(const std::string& from, const std::string& to);

// Gives the file `existing` the further name `newName` (a hard link). Fails
// with EEXIST when newName exists, and on drives without hard links (FAT,
// exFAT: EPERM or ENOTSUP), replacing nothing.
OsStatus linkFile(const std::string& existing, const std::string& newName);

// Deletes a file, read-only or not, without changing its mode (another hard
// link may still name it). A link is removed itself, never what it points to.
OsStatus deleteFile(const std::string& path);

// Creates one folder; its parent must exist. An existing entry is EEXIST.
OsStatus createDirectory(const std::string& path);

// True when `path` is a folder or a link to one.
bool isDirectory(const std::string& path);

// True when `path` itself is a symbolic link (whatever it points to, if
// anything); false when it is not or cannot be examined.
bool isSymbolicLink(const std::string& path);

// Gives `newFolder` the permission bits of `sourceFolder`, with owner
// read, write and search added so the sync can still fill it. File systems
// without permission bits make this fail; callers may ignore that.
OsStatus copyFolderAttributes(const std::string& sourceFolder, const std::string& newFolder);

// Removes an empty folder.
OsStatus removeDirectory(const std::string& path);

// Removes a folder with everything in it, never following a link: a link
// (also `path` itself) is removed, not what it points to. Goes on past
// entries it cannot remove and reports the first failure; the folder may
// then be left partly emptied.
OsStatus removeTree(const std::string& path);

// Writes everything cached for the file system holding `path` to the device.
OsStatus syncFileSystem(const std::string& path);

}  // namespace platform
