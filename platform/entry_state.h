// What an entry is now, for comparing with what a walk saw of it earlier:
// a run checks that the user has not changed an entry since its scan before
// it replaces, deletes or renames it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_identity.h"
#include "platform/os_status.h"

namespace platform {

struct EntryState {
  bool exists = false;    // false: nothing there, or a link that leads nowhere
  bool isFolder = false;
  bool isLink = false;    // the name itself is a symbolic link
  bool isListed = false;  // a kind the folder reader lists (a folder or a regular file)
  std::int64_t size = 0;
  std::int64_t mtimeSeconds = 0, mtimeNanoseconds = 0;
  // The last change of the entry itself (contents, name, mode), not followed.
  std::int64_t ctimeSeconds = 0, ctimeNanoseconds = 0;
  FileIdentity id;
  // False where the drive numbers one file once per spelling of its name
  // (FUSE), so that the identity cannot tell one file from another.
  bool stableIdentity = true;
};

// The entry at path, links followed as the folder reader follows them.
EntryState examineEntry(const std::string& path);

struct NamedState {
  std::string name;
  EntryState state;
};

// Every entry of the folder at path but "." and "..", each examined as
// examineEntry does. A failure to list it is returned as the status.
OsStatus listEntries(const std::string& path, std::vector<NamedState>& out);

// The time the file system would stamp on a change made now: an entry whose
// change time lies before it was last changed before this moment.
struct StampTime {
  std::int64_t seconds = 0, nanoseconds = 0;
  friend auto operator<=>(const StampTime&, const StampTime&) = default;
};
StampTime stampTimeNow();

}  // namespace platform
