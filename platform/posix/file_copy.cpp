// The copy with progress: temporary file, chunked data, mode and time, then
// an atomic rename over the destination.
// copy_file_range comes through the system-call table and gives way to
// read/write where it is refused.
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

#include "platform/posix/file_ops_internal.h"
#include "platform/posix/folder_listings.h"
#include "platform/posix/unix_variant.h"
#include "platform/temp_names.h"

namespace platform {
namespace {

using detail::lastError;
using detail::UniqueFd;

std::string tempName() {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  // Taken once; a forked child that shares it is kept apart by O_EXCL and
  // the retry in TempFile::create.
  static const auto pid = static_cast<unsigned>(::getpid());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, "%x-%x-%x", pid, salt,
                counter.fetch_add(1, std::memory_order_relaxed));
  return std::string(kCopyTempPrefix) + suffix;
}

// The file the data goes into. Removed again unless it reached its place.
// While it exists under its temporary name it is locked (flock, LOCK_EX), so
// that a walk, of this run or of another one, never takes it for a crash's
// leftover; the lock lives in a second descriptor of the same open file,
// which stays open after the data descriptor's close and until the rename.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    fd_.reset();
    if (!path_.empty()) syscalls().unlink(path_.c_str());
    lock_.reset();
  }

  // Creates a fresh temporary file in `folder`; false with errno set.
  bool create(const std::string& folder) {
    // A destination with a short name at the path length limit leaves no
    // room for the longer temporary name beside it; the folder is then
    // named through its open descriptor, a short path the kernel resolves.
    std::string base = folder;
    for (int attempt = 0; attempt < 16; ++attempt) {
      const std::string name = tempName();
      if (!folderFd_.valid() && folder.size() + 1 + name.size() >= PATH_MAX) {
        folderFd_ = UniqueFd(syscalls().open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
        if (!folderFd_.valid()) return false;
        base = detail::pathOfDescriptor(folderFd_.get());
      }
      std::string path = detail::joinPath(base, name);
      UniqueFd fd(syscalls().open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
      if (!fd.valid()) {
        if (errno != EEXIST) return false;
        continue;
      }
      switch (lock(fd.get())) {
        case Lock::Held:
        case Lock::Unsupported:
          fd_ = std::move(fd);
          path_ = std::move(path);
          return true;
        case Lock::Lost:
          continue;  // a walk took it for a leftover first, and removes it
        case Lock::Failed:
          return false;
      }
    }
    errno = EEXIST;
    return false;
  }

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }
  // Closes the descriptor; false with errno set when the close reports a
  // failure (delayed write errors surface here on network and FUSE drives).
  bool close() { return syscalls().close(fd_.release()) == 0; }
  // The file now has its real name: nothing to remove, nothing to guard.
  void placed() {
    path_.clear();
    lock_.reset();
  }

 private:
  enum class Lock { Held, Unsupported, Lost, Failed };

  // Between the creation and the lock a walk may have locked the new file
  // and removed it; the name is ours only when it still exists once we hold
  // the lock. A file system without flock leaves the file unlocked, and
  // walks then leave it alone too, since they cannot lock it either.
  Lock lock(int fd) {
    UniqueFd second(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!second.valid()) return Lock::Failed;
    if (syscalls().flock(second.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return Lock::Lost;
      return Lock::Unsupported;
    }
    // Removed meanwhile, the open file has no name left; asked of the
    // descriptor, which the drive's driver answers from what it holds.
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Lock::Failed;
    if (st.st_nlink == 0) return Lock::Lost;
    lock_ = std::move(second);
    return Lock::Held;
  }

  UniqueFd folderFd_;  // held while path_ names the folder through it
  UniqueFd fd_;
  UniqueFd lock_;      // the same open file as fd_, holding the flock
  std::string path_;
};

bool copyFileRangeUnsupported(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
         error == ENOTSUP;
}

// Moves the data, reporting each chunk. copy_file_range first (the kernel
// copies without the data passing through here, or shares extents); where
// the two files' file systems cannot do that, read and write.
class DataMover {
 public:
  DataMover(int in, int out, const std::string& source, const std::string& destination)
      : in_(in), out_(out), source_(source), destination_(destination) {}

  // Moves up to `want` bytes; adds what moved to `moved`. Sets `end` at the
  // end of the source.
  OsStatus step(std::int64_t want, std::int64_t& moved, bool& end) {
    while (want > 0) {
      const auto size = static_cast<std::size_t>(want);
      long n;
      if (useCopyFileRange_) {
        n = syscalls().copyFileRange(in_, out_, size);
        if (n < 0 && copyFileRangeUnsupported(errno)) {
          useCopyFileRange_ = false;
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return lastError("copy_file_range", destination_);
      } else {
        if (buffer_.empty()) buffer_.resize(static_cast<std::size_t>(kCopyChunkSize));
        n = syscalls().read(in_, buffer_.data(), std::min(size, buffer_.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return lastError("read", source_);
        if (n > 0 && !detail::writeAll(out_, buffer_.data(), static_cast<std::size_t>(n)))
          return lastError("write", destination_);
      }
      if (n == 0) {
        end = true;
        break;
      }
      moved += n;
      want -= n;
    }
    return OsStatus{};
  }

 private:
  int in_;
  int out_;
  const std::string& source_;
  const std::string& destination_;
  bool useCopyFileRange_ = true;
  std::vector<char> buffer_;
};

bool seekDataUnsupported(int error) {
  return error == EINVAL || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

// The copy of a sparse source: only the extents that hold data are moved;
// a hole is passed over on both sides, so that the destination, where its
// file system keeps holes, gets one, and elsewhere (exFAT, FAT) reads as the
// zeros the kernel or the driver writes there. Where the source's file
// system cannot say where its data lies, everything is moved.
class SparseMover {
 public:
  SparseMover(DataMover& mover, int in, int out, std::int64_t size, const std::string& source,
              const std::string& destination)
      : mover_(mover), in_(in), out_(out), size_(size), source_(source), destination_(destination) {}

  // Advances through the file by `want` bytes of it (more when a hole
  // reaches beyond), or to its end; adds the bytes passed, holes counted, to
  // `advanced`. Sets `end` at the end of the source.
  OsStatus step(std::int64_t want, std::int64_t& advanced, bool& end) {
    const std::int64_t goal = advanced + want;
    while (advanced < goal) {
      if (!sparse_ || position_ >= size_) {
        // Past the size the copy started with (the file grew): plainly.
        std::int64_t moved = 0;
        OsStatus r = mover_.step(goal - advanced, moved, end);
        advanced += moved;
        position_ += moved;
        return r;
      }
      if (position_ >= dataEnd_) {
        const std::int64_t from = position_;
        if (OsStatus r = findData(); !r.ok()) return r;
        if (position_ > from) {
          advanced += position_ - from;
          passedHole_ = true;
        }
        if (OsStatus r = placeAt(position_); !r.ok()) return r;
        continue;
      }
      std::int64_t moved = 0;
      if (OsStatus r = mover_.step(std::min(goal - advanced, dataEnd_ - position_), moved, end); !r.ok())
        return r;
      advanced += moved;
      position_ += moved;
      if (end) break;  // the source shrank
    }
    return OsStatus{};
  }

  // A hole at the end leaves the destination short; it gets its length here.
  OsStatus finish() {
    if (!passedHole_ || syscalls().ftruncate(out_, position_) == 0) return OsStatus{};
    // FAT through FUSE cannot lengthen a file by truncation, but fills the
    // gap with zeros when written past its end.
    OsStatus refused = lastError("ftruncate", destination_);
    struct stat st {};
    if (::fstat(out_, &st) != 0 || st.st_size >= position_) return refused;
    static const char zero = 0;
    if (syscalls().lseek(out_, position_ - 1, SEEK_SET) >= 0 && detail::writeAll(out_, &zero, 1))
      return OsStatus{};
    return refused;
  }

 private:
  // The next data at or after position_: moves position_ to its start and
  // sets dataEnd_; at the end of the data position_ becomes size_. When the
  // file system cannot tell, the rest is moved plainly.
  OsStatus findData() {
    const std::int64_t data = syscalls().lseek(in_, position_, SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO) {  // nothing but a hole up to the end
        position_ = dataEnd_ = size_;
        return OsStatus{};
      }
      if (seekDataUnsupported(errno)) return plainFromHere();
      return lastError("lseek", source_);
    }
    std::int64_t hole = syscalls().lseek(in_, data, SEEK_HOLE);
    if (hole < 0) {
      if (seekDataUnsupported(errno)) return plainFromHere();
      if (errno != ENXIO) return lastError("lseek", source_);
      hole = data;  // the file shrank under us
    }
    if (hole <= data || data < position_) return plainFromHere();  // answers that make no sense
    position_ = std::min(data, size_);
    dataEnd_ = std::min(hole, size_);
    return OsStatus{};
  }

  OsStatus plainFromHere() {
    sparse_ = false;
    return placeAt(position_);
  }

  OsStatus placeAt(std::int64_t offset) {
    if (syscalls().lseek(in_, offset, SEEK_SET) < 0) return lastError("lseek", source_);
    if (syscalls().lseek(out_, offset, SEEK_SET) < 0) return lastError("lseek", destination_);
    return OsStatus{};
  }

  DataMover& mover_;
  int in_;
  int out_;
  const std::int64_t size_;
  const std::string& source_;
  const std::string& destination_;
  bool sparse_ = true;
  bool passedHole_ = false;
  std::int64_t position_ = 0;  // of both files
  std::int64_t dataEnd_ = 0;   // end of the data extent at position_
};

CopyProgressAction report(const CopyProgress& progress, CopyStep step, std::int64_t copied,
                          std::int64_t total) {
  return progress ? progress(step, copied, total) : CopyProgressAction::Continue;
}

// Progress counts bytes of the file, holes included, so that a sparse file's
// copy still runs from 0 to its size.
OsStatus moveAllData(int in, int out, std::int64_t total, bool sparse, const CopyProgress& progress,
                     const std::string& source, const std::string& destination) {
  const OsStatus cancelled = OsStatus::fromErrno(ECANCELED, "copy", destination);
  if (report(progress, CopyStep::Start, 0, total) == CopyProgressAction::Cancel) return cancelled;
  DataMover mover(in, out, source, destination);
  std::optional<SparseMover> holes;
  if (sparse) holes.emplace(mover, in, out, total, source, destination);
  std::int64_t copied = 0;
  bool end = false;
  bool reported = false;
  while (!end) {
    std::int64_t chunk = 0;
    if (OsStatus r = holes ? holes->step(kCopyChunkSize, chunk, end) : mover.step(kCopyChunkSize, chunk, end);
        !r.ok())
      return r;
    copied += chunk;
    // An empty file still reports its one (empty) chunk, so that every copy
    // ends with a progress call.
    if (chunk == 0 && reported) break;
    reported = true;
    if (report(progress, CopyStep::Chunk, copied, std::max(total, copied)) ==
        CopyProgressAction::Cancel)
      return cancelled;
  }
  return holes ? holes->finish() : OsStatus{};
}

// Refusals that must come before anything is written. `missing`: the
// destination leads nowhere.
OsStatus checkDestination(const std::string& destination, const CopyOptions& options, bool& missing) {
  // A folder listing this run keeps current tells without asking the drive;
  // the look right before the rename still asks.
  if (detail::knownAbsent(detail::parentOf(destination), detail::baseName(destination))) {
    missing = true;
    return OsStatus{};
  }
  struct stat st {};
  if (::stat(destination.c_str(), &st) != 0) {
    missing = errno == ENOENT;
    if (missing) return OsStatus{};
    return lastError("stat", destination);
  }
  if (S_ISDIR(st.st_mode)) return OsStatus::fromErrno(EISDIR, "copy", destination);
  // Replacing a link to the program leaves the program alone.
  if (detail::isRunningProgram(st) && ::lstat(destination.c_str(), &st) == 0 && detail::isRunningProgram(st))
    return OsStatus::fromErrno(ETXTBSY, "copy", destination);
  if ((st.st_mode & S_IWUSR) == 0) return OsStatus::fromErrno(EACCES, "copy", destination);
  if (options.refuseExisting) {
    const auto existing = fileIdentity(destination);
    if (existing && options.refuseExisting(*existing))
      return OsStatus::fromErrno(EEXIST, "copy", destination);
  }
  return OsStatus{};
}

}  // namespace

CopyResult copyFileWithProgress(const std::string& source, const std::string& destination,
                                const CopyProgress& progress, const CopyOptions& options) {
  // O_NONBLOCK so that opening a FIFO never waits for a writer.
  UniqueFd in(syscalls().open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0));
  if (!in.valid()) return {lastError("open", source), std::nullopt};
  struct stat sourceStat {};
  if (::fstat(in.get(), &sourceStat) != 0) return {lastError("fstat", source), std::nullopt};
  if (S_ISDIR(sourceStat.st_mode))
    return {OsStatus::fromErrno(EISDIR, "copy", source), std::nullopt};
  if (!S_ISREG(sourceStat.st_mode))
    return {OsStatus::fromErrno(ENOTSUP, "copy", source), std::nullopt};
  // Only the status flags can change here, and O_NONBLOCK is the only one set.
  ::fcntl(in.get(), F_SETFL, 0);

  bool missing = false;
  if (OsStatus r = checkDestination(destination, options, missing); !r.ok())
    return {std::move(r), std::nullopt};
  if (options.confirmDestination && !(missing && options.confirmAcceptsMissing))
    if (OsStatus r = options.confirmDestination(); !r.ok()) return {std::move(r), std::nullopt};

  const std::string folder = detail::parentOf(destination);
  TempFile temp;
  if (!temp.create(folder)) return {lastError("open", destination), std::nullopt};

  // Fewer blocks than bytes: holes (or compression); then only the data is
  // moved, found extent by extent.
  const bool sparse = static_cast<std::int64_t>(sourceStat.st_blocks) * 512 < sourceStat.st_size;
  if (OsStatus r = moveAllData(in.get(), temp.fd(), static_cast<std::int64_t>(sourceStat.st_size), sparse,
                               progress, source, destination);
      !r.ok())
    return {std::move(r), std::nullopt};
  // A source written to meanwhile may have been read half old, half new;
  // such a copy is no version of the file at all.
  struct stat after {};
  if (::fstat(in.get(), &after) != 0) return {lastError("fstat", source), std::nullopt};
  if (after.st_size != sourceStat.st_size || after.st_mtim.tv_sec != sourceStat.st_mtim.tv_sec ||
      after.st_mtim.tv_nsec != sourceStat.st_mtim.tv_nsec)
    return {OsStatus::fromErrno(EAGAIN, "copy", source), std::nullopt};

  // Set-user and set-group bits are not carried: the copy belongs to
  // whoever runs the sync, and a drive must not hand out its privileges.
  // A drive without permission bits refuses in one of several ways (FAT
  // through FUSE answers ENOSYS); its files get none.
  // On a drive that keeps only the read-only flag a writable file's bits
  // would change nothing, and each request is a round trip on FUSE.
  const bool modeMatters = !options.onlyWriteBitKept || (sourceStat.st_mode & S_IWUSR) == 0;
  if (modeMatters && syscalls().fchmod(temp.fd(), sourceStat.st_mode & 01777) != 0 && errno != EPERM &&
      errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS)
    return {lastError("fchmod", destination), std::nullopt};
  if (!options.timeAfterRename &&
      syscalls().futimens(temp.fd(), sourceStat.st_mtim.tv_sec, sourceStat.st_mtim.tv_nsec) != 0)
    return {lastError("futimens", destination), std::nullopt};

  struct stat written {};
  if (::fstat(temp.fd(), &written) != 0) return {lastError("fstat", destination), std::nullopt};
  // Through the descriptor at hand rather than by opening the placed file
  // again later: on FUSE that saves the open and the close, and the data is
  // on the drive before any name leads to it.
  const bool flushed = options.flushBeforePlacing && syscalls().fsync(temp.fd()) == 0;
  if (!temp.close()) return {lastError("close", destination), std::nullopt};
  if (options.confirmDestination)
    if (OsStatus r = options.confirmDestination(); !r.ok()) return {std::move(r), std::nullopt};
  if (options.beforeReplace)
    if (OsStatus r = options.beforeReplace(); !r.ok()) return {std::move(r), std::nullopt};
  if (syscalls().rename(temp.path().c_str(), destination.c_str()) != 0)
    return {lastError("rename", destination), std::nullopt};
  temp.placed();
  detail::noteCreated(folder, detail::baseName(destination));

  std::optional<FileIdentity> identity = FileIdentity{static_cast<std::uint64_t>(written.st_dev),
                                                      static_cast<std::uint64_t>(written.st_ino)};
  if (detail::isOnFuse(folder)) {
    // FUSE numbers a file per spelling of its path; take the one that a
    // later look-up by the listed names will see. The rename keeps the
    // number the written file had under its temporary name.
    const std::string spelled = detail::onDiskSpelling(destination);
    if (spelled != destination)
      if (auto listed = fileIdentity(spelled)) identity = listed;
    // FAT through FUSE gives a renamed file the current time: the copy would
    // look newer than its source on the next run.
    struct stat placed {};
    if (!options.renameKeepsTime && !options.timeAfterRename && ::stat(destination.c_str(), &placed) == 0) {
      if (spelled == destination)
        identity = FileIdentity{static_cast<std::uint64_t>(placed.st_dev), static_cast<std::uint64_t>(placed.st_ino)};
      if ((placed.st_mtim.tv_sec != written.st_mtim.tv_sec || placed.st_mtim.tv_nsec != written.st_mtim.tv_nsec) &&
          syscalls().utimens(destination.c_str(), sourceStat.st_mtim.tv_sec, sourceStat.st_mtim.tv_nsec) != 0)
        return {lastError("utimensat", destination), std::nullopt};
    }
  }
  if (options.timeAfterRename &&
      syscalls().utimens(destination.c_str(), sourceStat.st_mtim.tv_sec, sourceStat.st_mtim.tv_nsec) != 0)
    return {lastError("utimensat", destination), std::nullopt};
  return {OsStatus{}, identity, flushed};
}

}  // namespace platform
