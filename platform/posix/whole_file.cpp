// Whole-file reading and atomic replacement on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/posix/file_ops_internal.h"
#include "platform/syscalls.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

using detail::lastError;

// Hidden, and unique per process and call, so two writers never share one.
std::string temporaryName(const std::filesystem::path& target) {
  static const unsigned long long seed = std::random_device{}();
  static std::atomic<unsigned long long> counter{0};
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".%llx-%llx.tmp", seed, counter.fetch_add(1) + 1);
  return (target.parent_path() / ("." + target.filename().string() + suffix)).string();
}

// Temporary files of this file that an earlier write left when it was cut
// off (a drive pulled in the middle). One a minute old belongs to no write
// still going on: a write takes moments.
void removeLeftovers(const Syscalls& sys, const std::filesystem::path& target, const std::string& current) {
  namespace fs = std::filesystem;
  const std::string prefix = "." + target.filename().string() + ".";
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix) || !name.ends_with(".tmp") || it->path() == current) continue;
    std::error_code entryError;
    if (!it->is_regular_file(entryError) || it->is_symlink(entryError)) continue;
    const auto written = fs::last_write_time(it->path(), entryError);
    if (entryError || now - written < std::chrono::minutes(1)) continue;
    sys.unlink(it->path().c_str());  // one that cannot go stays for the next write
  }
}

// The folder entry of a renamed file is only durable once the folder is
// flushed too. Some file systems (FUSE ones among them) refuse to flush a
// folder; the file's data is already on the drive then, so that is no failure.
void flushFolder(const Syscalls& sys, const std::filesystem::path& folder) {
  const int fd =
      sys.open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return;
  sys.fsync(fd);
  sys.close(fd);
}

}  // namespace

OsResult<std::string> readWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {{}, OsStatus::fromErrno(errno, "open", path)};
  OsResult<std::string> result;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      result.status = OsStatus::fromErrno(errno, "read", path);
      result.value.clear();
      break;
    }
    if (got == 0) break;
    result.value.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return result;
}

OsResult<std::string> readRegularFile(const std::string& path, std::size_t maxBytes) {
  // Not blocking, so opening a FIFO without a writer returns at once.
  const detail::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return {{}, OsStatus::fromErrno(errno, "open", path)};
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return {{}, OsStatus::fromErrno(errno, "read", path)};
  if (!S_ISREG(st.st_mode)) return {{}, OsStatus::fromErrno(EINVAL, "read", path)};
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes)
    return {{}, OsStatus::fromErrno(EFBIG, "read", path)};
  OsResult<std::string> result;
  result.value.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  // A file that grows while it is read is held to the limit too.
  while (result.value.size() <= maxBytes) {
    const std::size_t want = std::min(sizeof buffer, maxBytes + 1 - result.value.size());
    const ssize_t got = ::read(fd.get(), buffer, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return {{}, OsStatus::fromErrno(errno, "read", path)};
    if (got == 0) return result;
    result.value.append(buffer, static_cast<std::size_t>(got));
  }
  return {{}, OsStatus::fromErrno(EFBIG, "read", path)};
}

OsStatus writeWholeFileAtomically(const std::string& path, std::string_view content) {
  namespace fs = std::filesystem;
  std::error_code ec;
  // Writing through a link replaces the file it points to, not the link.
  fs::path target = fs::is_symlink(path, ec) ? fs::canonical(path, ec) : fs::path(path);
  if (ec) target = path;

  struct stat old {};
  const bool existed = ::stat(target.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) return OsStatus::fromErrno(EINVAL, "rename", target.string());

  const Syscalls& sys = syscalls();
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = temporaryName(target);
    fd = sys.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return lastError("create", temp);

  OsStatus status;
  if (!detail::writeAll(fd, content.data(), content.size())) status = lastError("write", temp);
  if (status.ok() && existed) sys.fchmod(fd, old.st_mode & 07777);  // FAT has no modes to keep
  if (status.ok() && sys.fsync(fd) != 0) status = lastError("flush", temp);
  if (sys.close(fd) != 0 && status.ok()) status = lastError("flush", temp);
  if (status.ok() && sys.rename(temp.c_str(), target.c_str()) != 0)
    status = lastError("rename", target.string());
  if (!status.ok()) {
    sys.unlink(temp.c_str());
    return status;
  }
  flushFolder(sys, target.parent_path());
  removeLeftovers(sys, target, temp);
  return {};
}

}  // namespace platform
