// Folder reading on Linux: getdents64 into one buffer per folder, fstatat
// relative to the folder's descriptor, openat for subfolders.
// Linux-only: getdents64 (elsewhere readdir on a descriptor opened with
// fdopendir would serve, one entry per call).
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/folder_reader.h"
#include "platform/linux/look_pool.h"
#include "platform/posix/folder_listings.h"
#include "platform/posix/unix_variant.h"
#include "platform/syscalls.h"
#include "platform/temp_names.h"

namespace platform {
namespace {

// glibc's readdir uses the same amount; a large folder needs few calls.
constexpr std::size_t kBufferSize = 32 * 1024;

std::atomic<FolderFaultHook> faultHook{nullptr};

std::error_code lastError() { return {errno, std::generic_category()}; }

std::error_code injectedFault(FolderOp op, std::string_view name) {
  const FolderFaultHook hook = faultHook.load(std::memory_order_relaxed);
  return hook ? hook(op, name) : std::error_code{};
}

bool isDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// An entry read ahead; its name lives in State::names.
struct StoredEntry {
  FolderEntry entry;  // name left empty
  std::size_t nameOffset = 0;
  std::size_t nameLength = 0;
};

}  // namespace

struct FolderReader::State {
  int fd = -1;
  FileIdentity id;
  std::error_code error;
  bool atEnd = false;

  std::unique_ptr<char[]> buffer;
  std::size_t filled = 0;
  std::size_t offset = 0;

  // On FUSE the whole listing is read first and its entries are looked at
  // several at a time (look_pool.h); elsewhere one by one as served.
  bool manyAtOnce = false;
  std::string path;  // of a folder so read, for the kept listings
  bool loaded = false;    // the listing is read: every entry is in `stored`, or in `listed` for a look
  bool released = false;  // and the handle is given back
  struct Listed {
    std::size_t nameOffset;  // in `names`
    unsigned char type;
  };
  std::vector<Listed> listed;
  std::size_t nextListed = 0;
  std::error_code listingError;  // where the listing itself ended early
  std::string names;
  std::vector<StoredEntry> stored;
  std::size_t nextStored = 0;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (fd >= 0) ::close(fd);
  }

  // A subfolder on its parent's drive is read as its parent is: only the
  // first folder of a drive asks what kind of drive it is.
  std::error_code adopt(int descriptor, const State* parent, std::string_view at) {
    fd = descriptor;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return lastError();
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    manyAtOnce = parent && parent->id.device == id.device ? parent->manyAtOnce : detail::onFuseDrive(fd);
    // Kept listings are known by full path.
    if (manyAtOnce && !parent && at.starts_with('/')) {
      path = at;
    } else if (manyAtOnce && parent && !parent->path.empty()) {
      path = parent->path;
      if (!path.ends_with('/')) path.push_back('/');
      path.append(at);
    }
    buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    return {};
  }

  // Fills entry from the directory record (name, d_type). Listed: true. Not
  // to be listed: false with `failed` clear. Not examinable: false with
  // `failed` set, and the folder's listing is then incomplete.
  bool describe(const char* name, unsigned char type, bool removeTemps, FolderEntry& entry,
                std::error_code& failed) {
    return worthALook(name, type, removeTemps, failed) && examine(name, type, entry, failed);
  }

  // What the record alone tells: false for an entry never listed, with
  // `failed` set when the listing must end here.
  bool worthALook(const char* name, unsigned char type, bool removeTemps, std::error_code& failed) const {
    if (isDotOrDotDot(name)) return false;
    const std::string_view view(name);
    if (isCopyTempName(view)) {
      if (removeTemps && type != DT_DIR) removeLeftover(name);
      return false;
    }
    if (view == kVersionsFolderName) return false;
    if (type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK) return false;
    if (const std::error_code fault = injectedFault(FolderOp::Describe, view)) {
      if (fault != std::errc::no_such_file_or_directory) failed = fault;
      return false;
    }
    return true;
  }

  // The look at the entry itself; safe on several threads at once.
  bool examine(const char* name, unsigned char type, FolderEntry& entry, std::error_code& failed) const {
    const std::string_view view(name);
    struct stat st {};
    bool link = type == DT_LNK;
    if (type == DT_UNKNOWN) {
      if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return gone(failed, false);
      link = S_ISLNK(st.st_mode);
      if (link && ::fstatat(fd, name, &st, 0) != 0) return gone(failed, true);
    } else if (::fstatat(fd, name, &st, 0) != 0) {
      return gone(failed, link);
    }

    if (S_ISDIR(st.st_mode)) {
      entry.isFolder = true;
      entry.size = 0;
    } else if (S_ISREG(st.st_mode)) {
      entry.isFolder = false;
      entry.size = static_cast<std::int64_t>(st.st_size);
    } else {
      return false;  // a link to a pipe, socket or device
    }
    entry.name = view;
    entry.isLink = link;
    entry.mtimeSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    entry.mtimeNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    entry.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
  }

  // Removes a copy's temporary file that no copy holds any more: a running
  // copy keeps an exclusive flock on it until it is renamed into place. Only
  // a regular file that we could lock ourselves goes; anything in doubt
  // (cannot be opened, locked by someone, locks unsupported) stays until a
  // later walk.
  bool removeLeftover(const char* name) const {
    const int temp = ::openat(fd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (temp < 0) return false;
    bool removed = false;
    struct stat held {};
    struct stat named {};
    // Still the file we locked: a copy may have renamed it away since, and
    // the lock then is on its placed file.
    if (::fstat(temp, &held) == 0 && S_ISREG(held.st_mode) && ::flock(temp, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(fd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino &&
        named.st_dev == held.st_dev)
      removed = syscalls().unlinkAt(fd, name, 0) == 0;  // a failure leaves it for a later walk
    ::close(temp);  // drops the lock
    return removed;
  }

  // After a failed fstatat: only an entry that vanished since the listing,
  // or a link that leads nowhere (missing target, a path through a file, a
  // loop of links), is left out silently. Anything else (EACCES in a folder without search
  // permission, EIO ...) is a fault of the listing.
  static bool gone(std::error_code& failed, bool link) {
    const int error = errno;
    if (error == ENOENT || (link && (error == ELOOP || error == ENOTDIR))) return false;
    failed = {error, std::generic_category()};
    return false;
  }

  // Reads the next getdents64 buffer; false at the end or on failure
  // (error set).
  bool fill() {
    for (;;) {
      if (atEnd || fd < 0) return false;
      const ssize_t n = ::getdents64(fd, buffer.get(), kBufferSize);
      if (n < 0) {
        if (errno == EINTR) continue;
        error = lastError();
        atEnd = true;
        return false;
      }
      if (n == 0) {
        atEnd = true;
        return false;
      }
      filled = static_cast<std::size_t>(n);
      offset = 0;
      return true;
    }
  }

  // The record at offset, which moves past it; null on a corrupt record
  // (error set).
  const char* nextRecord(unsigned char& type) {
    // Fields are copied out rather than read through a dirent64 pointer
    // into the char buffer.
    const char* record = buffer.get() + offset;
    unsigned short length = 0;
    std::memcpy(&length, record + offsetof(struct dirent64, d_reclen), sizeof length);
    std::memcpy(&type, record + offsetof(struct dirent64, d_type), sizeof type);
    if (length == 0) {  // never loop on it
      error = std::make_error_code(std::errc::io_error);
      atEnd = true;
      filled = offset = 0;
      return nullptr;
    }
    offset += length;
    return record + offsetof(struct dirent64, d_name);
  }

  // The whole listing first: names and kinds, no looks yet.
  void readListing(bool removeTemps) {
    // Every name the folder holds, for the kept listings.
    std::optional<std::vector<std::string>> all;
    if (!path.empty() && detail::keepingListings()) all.emplace();
    std::error_code stoppedBy;
    while (!stoppedBy && (offset < filled || fill())) {
      unsigned char type = 0;
      const char* name = nextRecord(type);
      if (!name) break;
      if (all && !isDotOrDotDot(name)) all->emplace_back(name);
      if (removeTemps && type != DT_DIR && isCopyTempName(name) && removeLeftover(name)) {
        if (all) all->pop_back();
        continue;
      }
      if (!worthALook(name, type, false, stoppedBy)) continue;
      listed.push_back({names.size(), type});
      names.append(name).push_back('\0');  // fstatat wants it ended
    }
    listingError = stoppedBy ? stoppedBy : error;
    // Nothing to look at: the listing's own end is the reading's.
    error = listed.empty() ? listingError : std::error_code{};
    atEnd = true;
    filled = offset = 0;
    loaded = true;
    if (all && !listingError) detail::noteListing(path, static_cast<dev_t>(id.device), std::move(*all));
  }

  // Looks at the next entries of the listing, several at once, into
  // `stored`; false when none are left. A few hundred at a time, so that a
  // stop is heard between them in a folder of many thousands. What is
  // served, and where a failure ends it, is what reading one by one gives.
  bool lookAhead() {
    if (nextListed >= listed.size()) return false;
    constexpr std::size_t kLooksAtOnce = 256;
    const std::size_t count = std::min(kLooksAtOnce, listed.size() - nextListed);
    struct Looked {
      FolderEntry entry;
      std::error_code failed;
      bool kept = false;
    };
    std::vector<Looked> looked(count);
    detail::runLooks(count, [&](std::size_t i) {
      const Listed& at = listed[nextListed + i];
      looked[i].kept = examine(names.data() + at.nameOffset, at.type, looked[i].entry, looked[i].failed);
    });
    for (std::size_t i = 0; i < count; ++i) {
      if (looked[i].failed) {
        error = looked[i].failed;  // the rest is not read
        nextListed = listed.size();
        return true;
      }
      if (!looked[i].kept) continue;
      StoredEntry entry{looked[i].entry, listed[nextListed + i].nameOffset, looked[i].entry.name.size()};
      entry.entry.name = {};
      stored.push_back(entry);
    }
    nextListed += count;
    if (nextListed == listed.size()) error = listingError;
    return true;
  }

  bool readNext(bool removeTemps, FolderEntry& entry) {
    for (;;) {
      if (offset >= filled && !fill()) return false;
      unsigned char type = 0;
      const char* name = nextRecord(type);
      if (!name) return false;
      std::error_code failed;
      if (describe(name, type, removeTemps, entry, failed)) return true;
      if (failed) {
        // The rest is not read: the folder counts as unread as a whole.
        error = failed;
        atEnd = true;
        filled = offset = 0;
        return false;
      }
    }
  }
};

FolderReader::FolderReader() noexcept = default;
FolderReader::~FolderReader() = default;
FolderReader::FolderReader(FolderReader&&) noexcept = default;
FolderReader& FolderReader::operator=(FolderReader&&) noexcept = default;

std::error_code FolderReader::open(const std::string& path) {
  state_.reset();
  if (path.find('\0') != std::string::npos) return std::make_error_code(std::errc::invalid_argument);
  if (auto fault = injectedFault(FolderOp::Open, path)) return fault;
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return lastError();
  auto state = std::make_unique<State>();
  if (auto ec = state->adopt(fd, nullptr, path)) return ec;
  state_ = std::move(state);
  return {};
}

std::error_code FolderReader::openChild(const FolderReader& parent, std::string_view name) {
  state_.reset();
  if (!parent.isOpen()) return std::make_error_code(std::errc::bad_file_descriptor);
  if (name.size() > NAME_MAX) return std::make_error_code(std::errc::filename_too_long);
  // One entry of the parent's: never a path below it, nor the way above.
  if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos ||
      name.find('/') != std::string_view::npos)
    return std::make_error_code(std::errc::invalid_argument);
  char terminated[NAME_MAX + 1];
  std::memcpy(terminated, name.data(), name.size());
  terminated[name.size()] = '\0';
  if (auto fault = injectedFault(FolderOp::Open, name)) return fault;
  const int fd = ::openat(parent.state_->fd, terminated, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return lastError();
  auto state = std::make_unique<State>();
  if (auto ec = state->adopt(fd, parent.state_.get(), name)) return ec;
  state_ = std::move(state);
  return {};
}

bool FolderReader::isOpen() const noexcept { return state_ && state_->fd >= 0; }

FileIdentity FolderReader::id() const noexcept { return state_ ? state_->id : FileIdentity{}; }

void FolderReader::setRemoveCopyTemps(bool on) noexcept { removeCopyTemps_ = on; }

std::error_code FolderReader::error() const noexcept {
  return state_ ? state_->error : std::error_code{};
}

bool FolderReader::next(FolderEntry& entry) {
  if (!state_) return false;
  State& s = *state_;
  if (!s.loaded) {
    if (!s.manyAtOnce) return s.readNext(removeCopyTemps_, entry);
    s.readListing(removeCopyTemps_);
  }
  while (s.nextStored >= s.stored.size())
    if (!s.lookAhead()) return false;
  const StoredEntry& stored = s.stored[s.nextStored++];
  entry = stored.entry;
  entry.name = std::string_view(s.names.data() + stored.nameOffset, stored.nameLength);
  return true;
}

void FolderReader::readAllAndRelease() {
  if (!state_ || state_->released) return;
  State& s = *state_;
  if (s.manyAtOnce) {
    if (!s.loaded) s.readListing(removeCopyTemps_);
    while (s.lookAhead()) {
    }
  } else if (!s.loaded) {
    FolderEntry entry;
    while (s.readNext(removeCopyTemps_, entry)) {
      StoredEntry stored{entry, s.names.size(), entry.name.size()};
      stored.entry.name = {};
      s.names.append(entry.name);
      s.stored.push_back(stored);
    }
  }
  if (s.fd >= 0) ::close(s.fd);
  s.fd = -1;
  s.buffer.reset();
  s.loaded = true;
  s.released = true;
}

void setFolderFaultHookForTesting(FolderFaultHook hook) noexcept {
  faultHook.store(hook, std::memory_order_relaxed);
}

}  // namespace platform
