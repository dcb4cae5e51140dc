// Whole files where POSIX shows more: permission bits, links, FIFOs and
// devices, and faults injected through the POSIX call table.
#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "platform/syscalls.h"
#include "tests/support/special_files.h"
#include "tests/support/syscall_faults.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/temp_dir.h"

using testsupport::failWith;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

namespace fs = std::filesystem;

// Writes a little, then the drive is full.
int writeCalls = 0;
long halfThenFull(int fd, const void* data, std::size_t size) {
  if (++writeCalls == 2) {
    errno = ENOSPC;
    return -1;
  }
  return platform::realSyscalls().write(fd, data, size < 3 ? size : 3);
}

std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  return out;
}

}  // namespace

TEST(WholeFile, ReplacingKeepsThePermissionBits) {
  TempDir dir;
  const std::string file = (dir.path() / "配置.ini").string();
  ASSERT_TRUE(platform::writeWholeFileAtomically(file, "first").ok());
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(platform::writeWholeFileAtomically(file, "second").ok());
  EXPECT_EQ(readFile(file), "second");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"配置.ini"});
}

TEST(WholeFile, EveryFailingStepLeavesTheOldFileAndNoLeftovers) {
  struct Fault {
    const char* operation;
    int error;
    void (*install)(platform::Syscalls&);
  };
  const Fault faults[] = {
      {"create", EROFS, [](platform::Syscalls& c) { c.open = failWith<EROFS>; }},
      {"write", ENOSPC, [](platform::Syscalls& c) {
         writeCalls = 0;
         c.write = halfThenFull;
       }},
      {"flush", EIO, [](platform::Syscalls& c) { c.fsync = failWith<EIO>; }},
      {"rename", EIO, [](platform::Syscalls& c) { c.rename = failWith<EIO>; }},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.operation);
    TempDir dir;
    const std::string file = dir.write("a.ini", "old\r\ncontent").string();
    platform::Syscalls table = platform::realSyscalls();
    fault.install(table);
    platform::ScopedSyscallOverride guard(table);
    const auto error = platform::writeWholeFileAtomically(file, "new content, longer than the old");
    EXPECT_EQ(error.code, std::error_code(fault.error, std::generic_category()));
    EXPECT_EQ(error.operation, fault.operation);
    EXPECT_FALSE(platform::describe(error).empty());
    EXPECT_EQ(readFile(file), "old\r\ncontent");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"a.ini"});
  }
}

TEST(WholeFile, WritingThroughALinkReplacesItsTarget) {
  TempDir dir;
  const auto target = dir.write("real.ini", "old");
  fs::create_symlink(target, dir.path() / "link.ini");
  ASSERT_TRUE(platform::writeWholeFileAtomically((dir.path() / "link.ini").string(), "new").ok());
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.ini"));
  EXPECT_EQ(readFile(target), "new");
}

TEST(WholeFile, ASuccessfulWriteRemovesWhatCutOffWritesLeft) {
  TempDir dir;
  const fs::path target = dir.write("配置.ini", "old");
  const fs::path stale = dir.write(".配置.ini.1a2b-3.tmp", "half");
  const fs::path fresh = dir.write(".配置.ini.4c5d-1.tmp", "another writer, right now");
  const fs::path other = dir.write(".other.ini.1a2b-3.tmp", "not this file's");
  for (const fs::path& p : {stale, other})
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(2));

  ASSERT_TRUE(platform::writeWholeFileAtomically(target.string(), "new").ok());
  EXPECT_EQ(readFile(target), "new");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(fresh));
  EXPECT_TRUE(fs::exists(other));

  // A failed write removes nothing.
  fs::last_write_time(fresh, fs::file_time_type::clock::now() - std::chrono::hours(2));
  platform::Syscalls table = platform::realSyscalls();
  table.rename = failWith<EIO>;
  {
    platform::ScopedSyscallOverride guard(table);
    EXPECT_FALSE(platform::writeWholeFileAtomically(target.string(), "newer").ok());
  }
  EXPECT_TRUE(fs::exists(fresh));
}

// Removing a leftover is a delete like any other, through the system-call
// table; one that cannot be removed stays and the write still succeeds.
TEST(WholeFile, ALeftoverThatCannotBeRemovedDoesNotFailTheWrite) {
  TempDir dir;
  const fs::path target = dir.write("配置.ini", "old");
  const fs::path stale = dir.write(".配置.ini.1a2b-3.tmp", "half");
  fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
  platform::Syscalls table = platform::realSyscalls();
  table.unlink = failWith<EACCES>;
  {
    platform::ScopedSyscallOverride guard(table);
    EXPECT_TRUE(platform::writeWholeFileAtomically(target.string(), "new").ok());
  }
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(readFile(stale), "half");
  EXPECT_EQ(entries(dir.path()).size(), 2u);  // no temporary of its own left behind
}

TEST(WholeFile, NeitherAFifoNorADeviceIsRead) {
  TempDir dir;
  const auto fifo = dir.path() / "pipe";
  testsupport::makeFifo(fifo);
  const testsupport::FifoUnblocker guard(fifo, std::chrono::seconds(5));
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : {fifo.string(), std::string("/dev/zero"), std::string("/dev/urandom")}) {
    SCOPED_TRACE(path);
    const auto r = platform::readRegularFile(path, 1 << 20);
    EXPECT_EQ(r.status.code, std::errc::invalid_argument);
    EXPECT_EQ(r.status.path, path);
    EXPECT_EQ(r.value, "");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "waited on the FIFO";
}

TEST(WholeFile, WhatIsNotARegularFileIsNeverReplaced) {
  TempDir dir;
  const auto fifo = dir.path() / "pipe";
  testsupport::makeFifo(fifo);
  fs::create_symlink(fifo, dir.path() / "link");
  for (const auto& path : {fifo, dir.path() / "link"}) {
    const auto status = platform::writeWholeFileAtomically(path.string(), "[U盘]\n");
    EXPECT_EQ(status.code, std::errc::invalid_argument) << path;
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
  EXPECT_EQ(entries(dir.path()).size(), 2u) << "no temporary file left";
}
