#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <memory>

#include "platform/entry_state.h"
#include "platform/posix/file_ops_internal.h"

namespace platform {
namespace {

EntryState stateOf(const std::string& path, const std::string& folder) {
  EntryState state;
  struct stat own {};
  if (::lstat(path.c_str(), &own) != 0) return state;
  state.isLink = S_ISLNK(own.st_mode);
  state.ctimeSeconds = own.st_ctim.tv_sec;
  state.ctimeNanoseconds = own.st_ctim.tv_nsec;
  struct stat st = own;
  if (state.isLink && ::stat(path.c_str(), &st) != 0) return state;  // leads nowhere
  state.exists = true;
  state.isFolder = S_ISDIR(st.st_mode);
  state.isListed = state.isFolder || S_ISREG(st.st_mode);
  state.size = state.isFolder ? 0 : static_cast<std::int64_t>(st.st_size);
  state.mtimeSeconds = st.st_mtim.tv_sec;
  state.mtimeNanoseconds = st.st_mtim.tv_nsec;
  state.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  state.stableIdentity = !detail::isOnFuse(folder);
  return state;
}

}  // namespace

EntryState examineEntry(const std::string& path) { return stateOf(path, detail::parentOf(path)); }

OsStatus listEntries(const std::string& path, std::vector<NamedState>& out) {
  out.clear();
  std::unique_ptr<DIR, detail::DirCloser> dir(::opendir(path.c_str()));
  if (!dir) return detail::lastError("opendir", path);
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
    errno = 0;
  }
  if (errno != 0) return detail::lastError("readdir", path);
  for (std::string& name : names) {
    EntryState state = stateOf(detail::joinPath(path, name), path);
    out.push_back({std::move(name), state});
  }
  return {};
}

StampTime stampTimeNow() {
  // The kernel stamps files from its coarse clock, which may lag the fine one.
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return {now.tv_sec, now.tv_nsec};
}

}  // namespace platform
