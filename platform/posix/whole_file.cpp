// Whole-file reading and atomic replacement on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/whole_file.h"

namespace platform {
namespace {

int realOpen(const char* path, int flags, unsigned mode) {
  return ::open(path, flags, static_cast<mode_t>(mode));
}
long realWrite(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
int realFsync(int fd) { return ::fsync(fd); }
int realClose(int fd) { return ::close(fd); }
int realRename(const char* from, const char* to) { return std::rename(from, to); }
int realUnlink(const char* path) { return ::unlink(path); }

constexpr WholeFileCalls kRealCalls{realOpen, realWrite, realFsync, realClose, realRename, realUnlink};
WholeFileCalls calls = kRealCalls;

// A failing call that leaves errno at 0 must still count as a failure.
int lastError() { return errno != 0 ? errno : EIO; }

// Hidden, and unique per process and call, so two writers never share one.
std::string temporaryName(const std::filesystem::path& target) {
  static const unsigned long long seed = std::random_device{}();
  static std::atomic<unsigned long long> counter{0};
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".%llx-%llx.tmp", seed, counter.fetch_add(1) + 1);
  return (target.parent_path() / ("." + target.filename().string() + suffix)).string();
}

// The folder entry of a renamed file is only durable once the folder is
// flushed too. Some file systems (FUSE ones among them) refuse to flush a
// folder; the file's data is already on the drive then, so that is no failure.
void flushFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

OsStatus writeAll(int fd, std::string_view content, const std::string& name) {
  while (!content.empty()) {
    const long written = calls.write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return OsStatus::fromErrno(lastError(), "write", name);
    }
    if (written == 0) return OsStatus::fromErrno(EIO, "write", name);
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

}  // namespace

WholeFileCalls& wholeFileCalls() { return calls; }
const WholeFileCalls& realWholeFileCalls() { return kRealCalls; }

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

OsStatus writeWholeFileAtomically(const std::string& path, std::string_view content) {
  namespace fs = std::filesystem;
  std::error_code ec;
  // Writing through a link replaces the file it points to, not the link.
  fs::path target = fs::is_symlink(path, ec) ? fs::canonical(path, ec) : fs::path(path);
  if (ec) target = path;

  struct stat old {};
  const bool existed = ::stat(target.c_str(), &old) == 0;

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = temporaryName(target);
    fd = calls.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return OsStatus::fromErrno(lastError(), "create", temp);

  OsStatus status = writeAll(fd, content, temp);
  if (status.ok() && existed) ::fchmod(fd, old.st_mode & 07777);  // FAT has no modes to keep
  if (status.ok() && calls.fsync(fd) != 0) status = OsStatus::fromErrno(lastError(), "flush", temp);
  if (calls.close(fd) != 0 && status.ok()) status = OsStatus::fromErrno(lastError(), "flush", temp);
  if (status.ok() && calls.rename(temp.c_str(), target.c_str()) != 0)
    status = OsStatus::fromErrno(lastError(), "rename", target.string());
  if (!status.ok()) {
    calls.unlink(temp.c_str());
    return status;
  }
  flushFolder(target.parent_path());
  return {};
}

}  // namespace platform
