// Reading one folder: the entries it holds, each described once (name, kind,
// size, modification time, identity), in the order the file system returns
// them. Links are followed: a link is described by what it points to and is
// flagged as a link; a link that leads nowhere is not listed. Only folders and
// regular files are listed: pipes, sockets and devices are skipped and never
// opened. "." and ".." and the copy's temporary files (temp_names.h) are never
// listed. Subfolders are opened relative to their parent's open handle, so a
// walk resolves no path twice. On a FUSE drive the first next() reads the
// whole listing and looks at its entries several at a time (each look is a
// round trip to the drive process); what is served is the same.
//
// A FolderReader is used by one thread at a time; different readers are
// independent. Nothing here throws except std::bad_alloc.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_identity.h"

namespace platform {

struct FolderEntry {
  // Valid until the next call of next() or readAllAndRelease() on the reader
  // that produced it.
  std::string_view name;
  bool isFolder = false;
  bool isLink = false;          // the name itself is a symbolic link
  std::int64_t size = 0;        // bytes; 0 for a folder
  std::int64_t mtimeSeconds = 0;      // last modification, UTC, since the epoch
  std::int64_t mtimeNanoseconds = 0;  // 0..999 999 999
  FileIdentity id;                  // of the target when the name is a link
};

class FolderReader {
 public:
  FolderReader() noexcept;
  ~FolderReader();
  FolderReader(FolderReader&&) noexcept;
  FolderReader& operator=(FolderReader&&) noexcept;
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  // Opens the folder at path, links followed. Returns the OS error (ENOENT,
  // ENOTDIR, EACCES, ENAMETOOLONG, EMFILE ...); the reader stays closed then.
  std::error_code open(const std::string& path);
  // Opens the subfolder name of parent, relative to parent's open handle.
  // EBADF when parent holds no handle (closed, or released).
  std::error_code openChild(const FolderReader& parent, std::string_view name);

  // True while the folder's handle is held.
  bool isOpen() const noexcept;
  // Identity of the opened folder itself.
  FileIdentity id() const noexcept;

  // When on, copy temporary files met while reading (temp_names.h) are
  // deleted when no copy holds them (failures ignored). They are never
  // listed either way. Off by default.
  void setRemoveCopyTemps(bool on) noexcept;

  // Describes the next listable entry. False at the end of the folder or
  // when reading failed (then error() is set). An entry that vanished since
  // it was listed, and a link that leads nowhere, are skipped; an entry that
  // cannot be examined for any other reason (EACCES when the folder may be
  // listed but not searched, EIO ...) ends the reading with that error, as a
  // folder that cannot be listed at all would.
  bool next(FolderEntry& entry);
  std::error_code error() const noexcept;

  // Reads and describes every remaining entry now and gives the handle back;
  // next() then serves them from memory. For deep walks, so that the number
  // of open handles stays bounded. Children must then be opened by path.
  void readAllAndRelease();

 private:
  struct State;
  std::unique_ptr<State> state_;
  bool removeCopyTemps_ = false;
};

// Fault injection for tests: when a hook is installed it is asked before
// every open (name: the path given to open(), or the child's name) and every
// description of an entry (name: the entry's name); an error it returns is
// taken as the OS's answer. nullptr removes the hook. Install it only while
// no walk runs.
enum class FolderOp { Open, Describe };
using FolderFaultHook = std::error_code (*)(FolderOp op, std::string_view name);
void setFolderFaultHookForTesting(FolderFaultHook hook) noexcept;

}  // namespace platform
