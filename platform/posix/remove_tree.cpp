// Removal of a folder tree that never follows a link. Every folder is opened
// with O_NOFOLLOW relative to its already opened parent and its entries are
// removed with unlinkat, so a link met anywhere, or swapped in meanwhile, is
// removed itself and what it points to is never reached.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "platform/posix/file_ops_internal.h"
#include "platform/posix/folder_listings.h"

namespace platform {
namespace {

using detail::DirCloser;
using detail::joinPath;
using detail::lastError;
using detail::UniqueFd;

constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct Entry {
  std::string name;
  unsigned char type;
};

class TreeRemover {
 public:
  OsStatus result() const { return first_; }

  // Empties the open folder `fd`, known to the user as `path`.
  void emptyFolder(int fd, const std::string& path) {
    // A folder the owner cannot write or search would keep its entries.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (st.st_mode & S_IRWXU) != S_IRWXU)
      syscalls().fchmod(fd, (st.st_mode & 07777) | S_IRWXU);
    std::vector<Entry> entries;
    if (!list(fd, entries)) {
      note(lastError("opendir", path));
      return;
    }
    // Listed first and removed after: removing while reading a folder may
    // make some file systems skip entries.
    for (const Entry& entry : entries) removeEntry(fd, path, entry);
  }

 private:
  void note(OsStatus failure) {
    if (first_.ok()) first_ = std::move(failure);
  }

  static bool list(int fd, std::vector<Entry>& out) {
    const int copy = ::dup(fd);
    if (copy < 0) return false;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(copy));
    if (!dir) {
      ::close(copy);
      return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
      const std::string_view name(entry->d_name);
      if (name != "." && name != "..") out.push_back({std::string(name), entry->d_type});
      errno = 0;
    }
    return errno == 0;
  }

  static bool isFolder(int parentFd, const Entry& entry) {
    if (entry.type != DT_UNKNOWN) return entry.type == DT_DIR;
    struct stat st {};
    return ::fstatat(parentFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(st.st_mode);
  }

  static bool isProgram(int parentFd, const Entry& entry) {
    if (entry.type != DT_REG && entry.type != DT_UNKNOWN) return false;
    struct stat st {};
    return ::fstatat(parentFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           detail::isRunningProgram(st);
  }

  void removeEntry(int parentFd, const std::string& parentPath, const Entry& entry) {
    const std::string path = joinPath(parentPath, entry.name);
    const char* name = entry.name.c_str();
    if (!isFolder(parentFd, entry)) {
      if (isProgram(parentFd, entry)) {
        note(OsStatus::fromErrno(ETXTBSY, "unlinkat", path));
        return;
      }
      if (syscalls().unlinkAt(parentFd, name, 0) != 0) note(lastError("unlinkat", path));
      return;
    }
    UniqueFd child(syscalls().openAt(parentFd, name, kFolderOpenFlags, 0));
    if (!child.valid() && errno == EACCES) {
      struct stat st {};
      if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
          ::fchmodat(parentFd, name, (st.st_mode & 07777) | S_IRWXU, 0) == 0)
        child = UniqueFd(syscalls().openAt(parentFd, name, kFolderOpenFlags, 0));
    }
    if (!child.valid()) {
      note(lastError("openat", path));
      return;
    }
    emptyFolder(child.get(), path);
    child.reset();
    if (syscalls().unlinkAt(parentFd, name, AT_REMOVEDIR) != 0) note(lastError("unlinkat", path));
  }

  OsStatus first_;
};

OsStatus removeTreeUnnoted(const std::string& path) {
  std::string target = path;
  // "link/" would name the folder behind the link.
  while (target.size() > 1 && target.back() == '/') target.pop_back();
  if (target == "/") return OsStatus::fromErrno(EPERM, "rmdir", target);
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) return lastError("lstat", target);
  if (!S_ISDIR(st.st_mode)) {
    if (detail::isRunningProgram(st)) return OsStatus::fromErrno(ETXTBSY, "unlink", target);
    if (syscalls().unlink(target.c_str()) != 0) return lastError("unlink", target);
    return OsStatus{};
  }
  TreeRemover remover;
  {
    UniqueFd fd(syscalls().open(target.c_str(), kFolderOpenFlags, 0));
    if (!fd.valid()) return lastError("open", target);
    remover.emptyFolder(fd.get(), target);
  }
  OsStatus result = remover.result();
  if (syscalls().rmdir(target.c_str()) != 0 && result.ok()) result = lastError("rmdir", target);
  return result;
}

}  // namespace

OsStatus removeTree(const std::string& path) {
  OsStatus r = removeTreeUnnoted(path);
  // Whatever part of the tree went, the kept listings of it are stale.
  detail::forgetListings(path);
  if (r.ok()) detail::noteRemoved(detail::parentOf(path), detail::baseName(path));
  return r;
}

}  // namespace platform
