// The copy where POSIX shows more: permission bits and nanoseconds, FIFOs
// and devices, sparse files, flocked temporary files, the path length limit
// and faults injected through the POSIX call table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <vector>

#include "platform/file_ops.h"
#include "platform/full_path.h"
#include "platform/syscalls.h"
#include "tests/platform/copy_recorder.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/held_file.h"
#include "tests/support/sparse_file.h"
#include "tests/support/syscall_faults.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using copytests::Call;
using copytests::MiB;
using copytests::Recorder;
using testsupport::copyTempFiles;
using testsupport::failWith;
using testsupport::patternBytes;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// Fault injection: the call after `okCalls` successful ones fails with `err`.
int okCalls = 0;
int injected = 0;
bool failNow() {
  if (okCalls-- > 0) return false;
  errno = injected;
  return true;
}
long failingCopyFileRange(int in, int out, std::size_t n) {
  return failNow() ? -1 : realSyscalls().copyFileRange(in, out, n);
}
long failingWrite(int fd, const void* data, std::size_t n) {
  return failNow() ? -1 : realSyscalls().write(fd, data, n);
}
// Writes at most 1000 bytes at a time, as a pipe or network drive may.
long shortWrite(int fd, const void* data, std::size_t n) {
  return realSyscalls().write(fd, data, n > 1000 ? 1000 : n);
}
int failingClose(int fd) {
  realSyscalls().close(fd);
  errno = EIO;
  return -1;
}

// A 64 MiB file: a leading hole, data not aligned to pages, a full chunk
// of data, a small piece, and a trailing hole.
constexpr std::int64_t kSparseSize = 64 * MiB;
std::vector<testsupport::DataAt> sparsePieces() {
  return {{3 * MiB + 17, patternBytes(100'000, 3)},
          {40 * MiB, patternBytes(MiB, 4)},
          {41 * MiB + 3 * 4096 + 5, patternBytes(5000, 5)}};
}

// Progress in bytes of the file, holes counted: from 0 to the whole size,
// never backwards, at most one call per chunk of the file.
void expectProgressOverTheWholeFile(const Recorder& r, std::int64_t size) {
  ASSERT_GE(r.calls.size(), 2u);
  EXPECT_EQ(r.calls.front(), (Call{CopyStep::Start, 0, size}));
  EXPECT_EQ(r.calls.back(), (Call{CopyStep::Chunk, size, size}));
  for (std::size_t i = 1; i < r.calls.size(); ++i) {
    EXPECT_EQ(r.calls[i].step, CopyStep::Chunk);
    EXPECT_EQ(r.calls[i].total, size);
    EXPECT_GT(r.calls[i].copied, r.calls[i - 1].copied);
  }
  EXPECT_LE(r.calls.size(), static_cast<std::size_t>(size / MiB + 2));
}

// SEEK_DATA and SEEK_HOLE refused, as by a file system that knows neither.
std::int64_t lseekWithoutHoles(int fd, std::int64_t offset, int whence) {
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) {
    errno = EINVAL;
    return -1;
  }
  return realSyscalls().lseek(fd, offset, whence);
}

std::int64_t lseekFailingOnData(int fd, std::int64_t offset, int whence) {
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) {
    errno = EIO;
    return -1;
  }
  return realSyscalls().lseek(fd, offset, whence);
}

}  // namespace

TEST(FileCopy, OverwritesAndCarriesModeAndNanosecondTime) {
  TempDir dir;
  const fs::path src = dir.write("src.bin", "new content");
  const fs::path dst = dir.write("dst.bin", "old content that is longer");
  fs::permissions(src, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::set_uid);
  const auto when = fs::file_time_type::clock::now() - std::chrono::hours(5000) +
                    std::chrono::nanoseconds(123'456'789);
  fs::last_write_time(src, when);
  const auto sourceTime = fs::last_write_time(src);
  ASSERT_NE(sourceTime.time_since_epoch().count() % 1000, 0) << "file system keeps no nanoseconds";

  const CopyResult result = copyFileWithProgress(src.string(), dst.string(), {});
  ASSERT_TRUE(result.ok()) << describe(result.status);
  EXPECT_EQ(readFile(dst), "new content");
  EXPECT_EQ(fs::last_write_time(dst), sourceTime);
  // The set-user bit is not handed on.
  EXPECT_EQ(fs::status(dst).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(result.written.has_value());
  EXPECT_EQ(result.written, fileIdentity(dst.string()));
}

TEST(FileCopy, InjectedWriteFailuresKeepOldDestination) {
  TempDir dir;
  const std::string data = patternBytes(5 * MiB, 3);
  const fs::path src = dir.write("src", data);
  const fs::path dst = dir.write("dst", "old");

  struct Case {
    const char* name;
    Syscalls table;
    int error;
    const char* operation;
  };
  Syscalls noSpace = syscalls();
  noSpace.copyFileRange = failingCopyFileRange;
  Syscalls ioError = syscalls();
  ioError.copyFileRange = failWith<EXDEV>;
  ioError.write = failingWrite;
  Syscalls silentWrite = syscalls();
  silentWrite.copyFileRange = failWith<EXDEV>;
  silentWrite.write = failWith<0>;  // a failure without errno is no success
  Syscalls badClose = syscalls();
  badClose.close = failingClose;
  Syscalls badMode = syscalls();
  badMode.fchmod = failWith<EIO>;
  Syscalls badRename = syscalls();
  badRename.rename = failWith<EIO>;
  const std::vector<Case> cases = {
      {"copy_file_range ENOSPC", noSpace, ENOSPC, "copy_file_range"},
      {"write EIO", ioError, EIO, "write"},
      {"write without errno", silentWrite, EIO, "write"},
      {"close EIO", badClose, EIO, "close"},
      {"fchmod EIO", badMode, EIO, "fchmod"},
      {"rename EIO", badRename, EIO, "rename"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    okCalls = 2;
    injected = c.error;
    Recorder rec;
    CopyResult result;
    {
      ScopedSyscallOverride guard(c.table);
      result = copyFileWithProgress(src.string(), dst.string(), rec.callback());
    }
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.status.code.value(), c.error);
    EXPECT_EQ(result.status.operation, c.operation);
    EXPECT_EQ(result.status.path, dst.string());
    EXPECT_FALSE(result.written.has_value());
    EXPECT_EQ(readFile(dst), "old");
    EXPECT_EQ(copyTempFiles(dir.path()), 0);
  }
}

TEST(FileCopy, ADriveWithoutPermissionBitsTakesTheCopyWithoutThem) {
  TempDir dir;
  const fs::path src = dir.write("src", "data");
  for (int error : {EPERM, ENOTSUP, ENOSYS}) {
    SCOPED_TRACE(error);
    Syscalls table = syscalls();
    table.fchmod = [](int, unsigned) {
      errno = injected;
      return -1;
    };
    injected = error;
    const fs::path dst = dir.path() / ("dst" + std::to_string(error));
    ScopedSyscallOverride guard(table);
    Recorder rec;
    EXPECT_TRUE(copyFileWithProgress(src.string(), dst.string(), rec.callback()).ok());
    EXPECT_EQ(readFile(dst), "data");
    EXPECT_EQ(copyTempFiles(dir.path()), 0);
  }
}

// Another run's walk may take a temporary file for a crash's leftover in
// the moment between its creation and its lock, and remove it: the copy
// notices that its file has no name left and starts over under a new one.
TEST(FileCopy, ATemporaryFileRemovedBeforeItsLockIsGivenUp) {
  TempDir dir;
  const fs::path src = dir.write("src", "data");
  static int removals;
  removals = 0;
  Syscalls table = syscalls();
  table.flock = [](int fd, int operation) {
    if (removals++ == 0) fs::remove(fs::read_symlink("/proc/self/fd/" + std::to_string(fd)));
    return realSyscalls().flock(fd, operation);
  };
  ScopedSyscallOverride guard(table);
  Recorder rec;
  const CopyResult r = copyFileWithProgress(src.string(), dir.str() + "/dst", rec.callback());
  ASSERT_TRUE(r.ok()) << describe(r.status);
  EXPECT_EQ(removals, 2) << "one more temporary file";
  EXPECT_EQ(readFile(dir.path() / "dst"), "data");
  EXPECT_EQ(copyTempFiles(dir.path()), 0);
}

TEST(FileCopy, FallsBackToReadAndWriteAcrossFileSystems) {
  TempDir dir;
  const std::string data = patternBytes(MiB + 7, 4);
  const fs::path src = dir.write("src", data);
  Syscalls table = syscalls();
  table.copyFileRange = failWith<EXDEV>;
  table.write = shortWrite;
  ScopedSyscallOverride guard(table);
  Recorder rec;
  ASSERT_TRUE(copyFileWithProgress(src.string(), dir.str() + "/dst", rec.callback()).ok());
  EXPECT_TRUE(readFile(dir.path() / "dst") == data);
  EXPECT_EQ(rec.calls.size(), 3u);
}

TEST(FileCopy, RefusesDevicesAndNamesTheMissingSourceInPosixWords) {
  TempDir dir;
  Recorder rec;
  CopyResult r = copyFileWithProgress(dir.str() + "/missing", dir.str() + "/out", rec.callback());
  EXPECT_EQ(describe(r.status), "open '" + dir.str() + "/missing': No such file or directory");
  r = copyFileWithProgress("/dev/null", dir.str() + "/out", rec.callback());
  EXPECT_EQ(r.status.code, std::errc::not_supported);
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_FALSE(fs::exists(dir.path() / "out"));
  EXPECT_EQ(copyTempFiles(dir.path()), 0);
}

TEST(FileCopy, FifoSourceIsRefusedWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir.str() + "/pipe";
  ASSERT_EQ(std::system(("mkfifo '" + fifo + "'").c_str()), 0);
  auto copy = std::async(std::launch::async,
                         [&] { return copyFileWithProgress(fifo, dir.str() + "/out", {}); });
  ASSERT_EQ(copy.wait_for(std::chrono::seconds(10)), std::future_status::ready)
      << "the copy waits for a writer";
  const CopyResult result = copy.get();
  EXPECT_EQ(result.status.code, std::errc::not_supported);
  EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

TEST(FileCopy, AShortNameAtThePathLengthLimitIsCopied) {
  // The temporary name is longer than the destination's: beside it, it
  // would not fit into a path.
  TempDir dir;
  std::string folder = dir.str() + "/deep";
  const std::size_t limit = maxPathLength() - 1;
  while (folder.size() + 1 + 250 + 1 + 3 <= limit) folder += "/" + std::string(250, 'd');
  folder += "/" + std::string(limit - folder.size() - 1 - 1 - 3, 'e');
  fs::create_directories(folder);
  const std::string source = dir.write("source", "edge").string();
  const std::string destination = folder + "/abc";
  ASSERT_EQ(destination.size(), limit);

  const CopyResult first = copyFileWithProgress(source, destination, {});
  ASSERT_TRUE(first.ok()) << describe(first.status);
  EXPECT_EQ(readFile(destination), "edge");
  // Overwriting, and a failed overwrite, leave no temporary file either.
  {
    Syscalls table = realSyscalls();
    table.write = failWith<EIO>;
    table.copyFileRange = failWith<EIO>;
    ScopedSyscallOverride guard(table);
    EXPECT_FALSE(copyFileWithProgress(dir.write("other", "other").string(), destination, {}).ok());
  }
  EXPECT_EQ(readFile(destination), "edge");
  EXPECT_EQ(copyTempFiles(folder), 0);
  ASSERT_TRUE(copyFileWithProgress(dir.str() + "/other", destination, {}).ok());
  EXPECT_EQ(readFile(destination), "other");
  EXPECT_EQ(copyTempFiles(folder), 0);
}

// A second run's scan of the destination folder while this copy runs must
// not take its temporary file for a crash's leftover.
TEST(FileCopy, HoldsItsTemporaryFileAgainstAnotherWalk) {
  TempDir source, destination;
  EXPECT_EQ(testsupport::checkCopyTempSurvivesAWalk(source.path(), destination.path()), "");
}

TEST(FileCopy, KeepsTheHolesOfASparseFile) {
  TempDir dir;
  if (!testsupport::holesKeptIn(dir.path())) GTEST_SKIP() << "this file system keeps no holes";
  const fs::path src = dir.path() / "sparse.img";
  testsupport::writeSparseFile(src, kSparseSize, sparsePieces());
  Recorder progress;
  const CopyResult r = copyFileWithProgress(src.string(), dir.str() + "/copy.img", progress.callback());
  ASSERT_TRUE(r.ok()) << describe(r.status);
  EXPECT_TRUE(readFile(dir.path() / "copy.img") == readFile(src));
  EXPECT_EQ(fs::file_size(dir.path() / "copy.img"), static_cast<std::uintmax_t>(kSparseSize));
  EXPECT_LT(testsupport::allocatedBytes(dir.path() / "copy.img"), 4 * MiB);
  expectProgressOverTheWholeFile(progress, kSparseSize);

  // Data up to the very end, and a file that is one hole.
  const fs::path tail = dir.path() / "tail.img";
  testsupport::writeSparseFile(tail, 8 * MiB, {{8 * MiB - 10, "0123456789"}});
  ASSERT_TRUE(copyFileWithProgress(tail.string(), dir.str() + "/tail2.img", {}).ok());
  EXPECT_TRUE(readFile(dir.path() / "tail2.img") == readFile(tail));
  const fs::path hole = dir.path() / "hole.img";
  testsupport::writeSparseFile(hole, 8 * MiB, {});
  Recorder holeProgress;
  ASSERT_TRUE(copyFileWithProgress(hole.string(), dir.str() + "/hole2.img", holeProgress.callback()).ok());
  EXPECT_EQ(fs::file_size(dir.path() / "hole2.img"), static_cast<std::uintmax_t>(8 * MiB));
  EXPECT_TRUE(readFile(dir.path() / "hole2.img") == std::string(8 * MiB, '\0'));
  EXPECT_LT(testsupport::allocatedBytes(dir.path() / "hole2.img"), MiB);
  expectProgressOverTheWholeFile(holeProgress, 8 * MiB);
  EXPECT_EQ(copyTempFiles(dir.path()), 0);
}

TEST(FileCopy, ASparseFileIsCopiedWholeWhereHolesCannotBeFound) {
  TempDir dir;
  const fs::path src = dir.path() / "sparse.img";
  testsupport::writeSparseFile(src, kSparseSize, sparsePieces());
  Syscalls table = realSyscalls();
  table.lseek = lseekWithoutHoles;
  ScopedSyscallOverride noHoles(table);
  Recorder progress;
  const CopyResult r = copyFileWithProgress(src.string(), dir.str() + "/copy.img", progress.callback());
  ASSERT_TRUE(r.ok()) << describe(r.status);
  EXPECT_TRUE(readFile(dir.path() / "copy.img") == readFile(src));
  expectProgressOverTheWholeFile(progress, kSparseSize);
}

TEST(FileCopy, AFailingSearchForDataFailsTheCopyAndLeavesNothing) {
  TempDir dir;
  const fs::path src = dir.path() / "sparse.img";
  testsupport::writeSparseFile(src, 4 * MiB, {{MiB, "x"}});
  if (testsupport::allocatedBytes(src) >= 4 * MiB) GTEST_SKIP() << "this file system keeps no holes";
  dir.write("copy.img", "old");
  Syscalls table = realSyscalls();
  table.lseek = lseekFailingOnData;
  ScopedSyscallOverride failing(table);
  const CopyResult r = copyFileWithProgress(src.string(), dir.str() + "/copy.img", {});
  EXPECT_EQ(r.status.code, std::errc::io_error);
  EXPECT_EQ(r.status.operation, "lseek");
  EXPECT_EQ(readFile(dir.path() / "copy.img"), "old");
  EXPECT_EQ(copyTempFiles(dir.path()), 0);
}
