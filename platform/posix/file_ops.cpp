// Rename, delete, folder creation and removal, folder permissions, flush.
// Through the system-call table: the rename that refuses to replace (a
// check, then rename(2), where it is refused) and the flush of a whole drive.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "platform/posix/file_ops_internal.h"
#include "platform/case_fold.h"
#include "platform/posix/folder_listings.h"

namespace platform {
namespace {

using detail::lastError;

bool renameNoReplaceUnsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

// True when `from` and `to` are two spellings of one file, differing only in
// letter case, on a drive that ignores case. Same-folder, same-identity and
// a single link rule out two hard links that happen to have such names.
bool sameFileOtherCase(const std::string& from, const std::string& to) {
  if (!equalIgnoringCase(detail::baseName(from), detail::baseName(to))) return false;
  const auto fromId = lfileIdentity(from);
  const auto toId = lfileIdentity(to);
  if (!fromId || !toId || *fromId != *toId) return false;
  const auto fromFolder = fileIdentity(detail::parentOf(from));
  const auto toFolder = fileIdentity(detail::parentOf(to));
  if (!fromFolder || !toFolder || *fromFolder != *toFolder) return false;
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) || st.st_nlink == 1;
}

OsStatus plainRename(const std::string& from, const std::string& to) {
  if (syscalls().rename(from.c_str(), to.c_str()) != 0) return lastError("rename", from);
  return OsStatus{};
}

// Kernel drivers that ignore case see both spellings as one entry, and
// rename(2) then does nothing; a detour through a third name changes it.
// The detour's name is not a copy's temporary name, so that a crash between
// the two steps never leaves the file where leftovers are cleared away.
OsStatus renameLetterCase(const std::string& from, const std::string& to) {
  if (OsStatus r = plainRename(from, to); !r.ok()) return r;
  const std::string folder = detail::parentOf(to);
  if (detail::isListed(folder, detail::baseName(to))) return OsStatus{};
  const std::string detour = detail::joinPath(
      folder, ".~drovan-rename-" + std::to_string(::getpid()) + "-" + detail::baseName(to));
  if (syscalls().rename(from.c_str(), detour.c_str()) != 0) return lastError("rename", from);
  if (syscalls().rename(detour.c_str(), to.c_str()) != 0) {
    const int error = errno;
    syscalls().rename(detour.c_str(), from.c_str());
    return OsStatus::fromErrno(error, "rename", from);
  }
  return OsStatus{};
}

// drive: of from's folder where known; a drive that refused RENAME_NOREPLACE
// once is not asked again (each try is a look-up round trip on FUSE).
OsStatus renameEntry(const std::string& from, const std::string& to, std::optional<dev_t> drive, bool toIsFree) {
  if (!drive || !detail::refusesNoReplace(*drive)) {
    if (syscalls().renameNoReplace(from.c_str(), to.c_str()) == 0) return OsStatus{};
    const int error = errno;
    if (error == EEXIST) {
      if (sameFileOtherCase(from, to)) return renameLetterCase(from, to);
      return OsStatus::fromErrno(EEXIST, "rename", to);
    }
    if (!renameNoReplaceUnsupported(error)) return OsStatus::fromErrno(error, "renameat2", from);
    if (drive) detail::noteRefusesNoReplace(*drive);
  }
  if (toIsFree) return plainRename(from, to);

  // Without RENAME_NOREPLACE (FUSE drives among others) the check and the
  // rename are two steps; the sync is the only writer in its folders.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    if (sameFileOtherCase(from, to)) return renameLetterCase(from, to);
    return OsStatus::fromErrno(EEXIST, "rename", to);
  }
  if (errno != ENOENT) return lastError("lstat", to);
  return plainRename(from, to);
}

// What the kept folder listings must learn of a change made here.
void noteRemoval(const std::string& path) {
  detail::noteRemoved(detail::parentOf(path), detail::baseName(path));
  detail::forgetListings(path);
}
void noteCreation(const std::string& path) { detail::noteCreated(detail::parentOf(path), detail::baseName(path)); }

}  // namespace

static OsStatus renameNamed(const std::string& from, const std::string& to, bool toIsFree) {
  // FAT through FUSE gives a renamed file the current time; it keeps its own.
  // Whether a drive does is seen at its first rename of a file while a
  // listing scope lives; on a drive that keeps times, the looks before and
  // after each rename are round trips to the drive process spared.
  const std::string folder = detail::parentOf(from);
  struct stat before {};
  std::optional<dev_t> drive;
  bool keepTime = false;
  if (detail::isOnFuse(folder)) {
    drive = detail::folderDrive(folder);
    bool looked = false;
    if (!drive && ::lstat(from.c_str(), &before) == 0) {
      looked = true;
      drive = before.st_dev;
      detail::noteFolderDrive(folder, before.st_dev);
    }
    if (drive && detail::renameKeepsTime(*drive) != true && (looked || ::lstat(from.c_str(), &before) == 0))
      keepTime = S_ISREG(before.st_mode);
  }
  OsStatus r = renameEntry(from, to, drive, toIsFree);
  if (!r.ok()) return r;
  noteRemoval(from);
  noteCreation(to);
  struct stat after {};
  if (keepTime && ::lstat(to.c_str(), &after) == 0) {
    const bool kept = after.st_mtim.tv_sec == before.st_mtim.tv_sec && after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
    detail::noteRenameKeepsTime(*drive, kept);
    if (!kept && syscalls().utimens(to.c_str(), before.st_mtim.tv_sec, before.st_mtim.tv_nsec) != 0)
      return lastError("utimensat", to);
  }
  return r;
}

OsStatus renameFile(const std::string& from, const std::string& to) { return renameNamed(from, to, false); }

OsStatus renameFileToFreeName(const std::string& from, const std::string& to) { return renameNamed(from, to, true); }

OsStatus linkFile(const std::string& existing, const std::string& newName) {
  if (syscalls().link(existing.c_str(), newName.c_str()) != 0) return lastError("link", newName);
  noteCreation(newName);
  return OsStatus{};
}

OsStatus deleteFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return lastError("lstat", path);
  if (detail::isRunningProgram(st)) return OsStatus::fromErrno(ETXTBSY, "unlink", path);
  // The file's own mode is left alone: removing a name needs write access
  // to the folder, not to the file, and the file may have other names
  // (hard links) whose owner relies on its mode. What does refuse an unlink
  // here (the folder's mode, a sticky folder, an immutable file) is not
  // mended by a chmod of the file either.
  if (syscalls().unlink(path.c_str()) != 0) return lastError("unlink", path);
  noteRemoval(path);
  return OsStatus{};
}

OsStatus createDirectory(const std::string& path) {
  if (syscalls().mkdir(path.c_str(), 0777) != 0) return lastError("mkdir", path);
  noteCreation(path);
  detail::noteCreatedFolder(path);
  return OsStatus{};
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isSymbolicLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

OsStatus copyFolderAttributes(const std::string& sourceFolder, const std::string& newFolder) {
  struct stat st {};
  if (::stat(sourceFolder.c_str(), &st) != 0) return lastError("stat", sourceFolder);
  if (syscalls().chmod(newFolder.c_str(), (st.st_mode & 0777) | S_IRWXU) != 0)
    return lastError("chmod", newFolder);
  return OsStatus{};
}

OsStatus removeDirectory(const std::string& path) {
  if (syscalls().rmdir(path.c_str()) != 0) return lastError("rmdir", path);
  noteRemoval(path);
  return OsStatus{};
}

OsStatus syncFileSystem(const std::string& path) {
  detail::UniqueFd fd(
      syscalls().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0));
  if (!fd.valid()) return lastError("open", path);
  if (syscalls().syncfs(fd.get()) != 0) return lastError("syncfs", path);
  return OsStatus{};
}

}  // namespace platform
