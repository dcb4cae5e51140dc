// Copies onto a stick through FUSE, where every request is a round trip to
// the drive process: a file that needs a flush of its own gets it through
// the descriptor that wrote it and is never opened again for that; modes are set only where the drive
// can keep them; fewer looks at a new file's destination still keep what
// turns up there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/syscalls.h"
#include "platform/temp_names.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const std::string kRun = "2026-12-09 100000";  // the run start under the test clock

// What the overridden calls saw; the table takes plain functions.
struct Seen {
  std::set<std::string> watched;  // paths whose opens are counted
  int watchedOpens = 0;
  int tempFlushes = 0;
  int otherFlushes = 0;
  int fchmods = 0;
  int chmods = 0;
  int links = 0;
  int noReplaceRenames = 0;
};
Seen seen;

std::string pathOfFd(int fd) {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

platform::Syscalls countingTable() {
  platform::Syscalls table = platform::realSyscalls();
  table.open = [](const char* path, int flags, unsigned mode) {
    if (seen.watched.contains(path)) ++seen.watchedOpens;
    return platform::realSyscalls().open(path, flags, mode);
  };
  table.fsync = [](int fd) {
    const std::string path = pathOfFd(fd);
    if (fs::path(path).filename().string().starts_with(platform::kCopyTempPrefix))
      ++seen.tempFlushes;
    else
      ++seen.otherFlushes;
    return platform::realSyscalls().fsync(fd);
  };
  table.fchmod = [](int fd, unsigned mode) {
    ++seen.fchmods;
    return platform::realSyscalls().fchmod(fd, mode);
  };
  table.chmod = [](const char* path, unsigned mode) {
    ++seen.chmods;
    return platform::realSyscalls().chmod(path, mode);
  };
  table.renameNoReplace = [](const char* from, const char* to) {
    ++seen.noReplaceRenames;
    return platform::realSyscalls().renameNoReplace(from, to);
  };
  table.link = [](const char* existing, const char* newName) {
    ++seen.links;
    return platform::realSyscalls().link(existing, newName);
  };
  return table;
}

class StickRoundTrips : public OnEachDrive {
 protected:
  void SetUp() override {
    OnEachDrive::SetUp();
    seen = Seen{};
  }
};

}  // namespace

TEST_P(StickRoundTrips, EachCopyIsFlushedBeforeItTakesItsNameAndNotOpenedAgain) {
  Pair s(onDrive("sync"), tolerance());
  const std::vector<std::string> files = {"a.txt", "b.txt", "sub/c.txt", "sub/deeper/d.txt"};
  for (const std::string& f : files) {
    put(s.disk.path(), f, "data of " + f, kT0);
    seen.watched.insert((s.usb / f).string());
  }
  platform::ScopedSyscallOverride counting(countingTable());
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(h.lines().back(), timed("手动同步结束，用时0秒"));
  for (const std::string& f : files) EXPECT_EQ(readFile(s.usb / f), "data of " + f);
  EXPECT_EQ(seen.watchedOpens, 0) << "a placed copy is not opened again to flush it";
  // exfat-fuse writes out the whole volume on any flush: its root is
  // flushed once at the end. fusefat is not known to: each copy is flushed
  // under its temporary name, and at the end each folder that changed (the
  // root, sub and sub/deeper).
  const bool fat = GetParam() == DriveKind::Fat32;
  EXPECT_EQ(seen.tempFlushes, fat ? 4 : 0);
  EXPECT_EQ(seen.otherFlushes, fat ? 3 : 1);
}

TEST_P(StickRoundTrips, OnlyAReadOnlyFilesModeIsSet) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "writable.txt", "w", kT0);
  put(s.disk.path(), "folder/also writable.txt", "w", kT0);
  put(s.disk.path(), "read only.txt", "r", kT0);
  fs::permissions(s.disk.path() / "read only.txt", fs::perms::owner_read | fs::perms::group_read);
  platform::ScopedSyscallOverride counting(countingTable());
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(readFile(s.usb / "folder/also writable.txt"), "w");
  EXPECT_EQ(readFile(s.usb / "read only.txt"), "r");
  // The drive keeps only a read-only flag: the writable files and the new
  // folder have nothing to be given.
  EXPECT_EQ(seen.fchmods, 1);
  EXPECT_EQ(seen.chmods, 0);
}

TEST_P(StickRoundTrips, AFileThatTurnsUpAtANewFilesNameWhileItIsCopiedIsKept) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "new.txt", "the source's", kT0);
  TJobSettings settings = s.settings();
  settings.KeepVersions = true;
  // Something writes the name after the check before writing, in the
  // drive's other spelling of it; the check right before the replacement
  // takes it for a target-only file of that spelling only when the scan saw
  // one, which it did not: the copy is refused and the file stays.
  JobHarness h;
  bool written = false;
  h.onMessage = [&](const Recorded& m) {
    if (m.msg != WM_COPYSTART || written) return;
    written = true;
    put(s.usb, "NEW.txt", "someone else's", kT0);
  };
  h.run(TSyncType::DiskSync, settings);
  EXPECT_TRUE(written);
  EXPECT_EQ(readFile(s.usb / "NEW.txt"), "someone else's");
  const auto lines = h.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1、该文件在同步期间被改动，未覆盖，请检查：" + s.u() + "new.txt"),
            lines.end());
}

// The folder's kept listing answers the look before writing, and knows
// nothing of a file put there by someone else since: the look right before
// the replacement still finds it.
TEST_P(StickRoundTrips, AFileThatTurnsUpAtANewFilesNameBeforeItsCopyIsKept) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "sub/a.txt", "a", kT0);
  put(s.disk.path(), "sub/b.txt", "the source's", kT0);
  JobHarness h;
  bool written = false;
  h.onMessage = [&](const Recorded& m) {
    if (m.msg != WM_COPYSTART || written) return;
    written = true;
    put(s.usb, "sub/b.txt", "someone else's", kT0);
  };
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_TRUE(written);
  EXPECT_EQ(readFile(s.usb / "sub/a.txt"), "a");
  EXPECT_EQ(readFile(s.usb / "sub/b.txt"), "someone else's");
  const auto lines = h.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1、该文件在同步期间被改动，未覆盖，请检查：" + s.u() + "sub/b.txt"),
            lines.end());
  EXPECT_EQ(copyTempFiles(s.usb), 0);
}

TEST_P(StickRoundTrips, ATargetOnlySpellingReplacedByANewFileIsKeptAsAnOldVersion) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "Report.txt", "new report", kT0 + 10);
  put(s.usb, "REPORT.txt", "old report", kT0);
  TJobSettings settings = s.settings();
  settings.KeepVersions = true;
  JobHarness h;
  h.run(TSyncType::DiskSync, settings);
  EXPECT_EQ(readFile(s.usb / "Report.txt"), "new report");
  const fs::path kept = s.usb / std::string(platform::kVersionsFolderName) / kRun;
  // Kept under the name it was replaced through.
  EXPECT_EQ(listing(kept), "Report.txt");
  EXPECT_EQ(readFile(kept / "Report.txt"), "old report");
}

// A stick has no hard links: it is asked for one once a run, not once per
// replaced file, and every old version is kept all the same (moved).
TEST_P(StickRoundTrips, ADriveWithoutHardLinksIsAskedForOnlyOne) {
  Pair s(onDrive("sync"), tolerance());
  const std::vector<std::string> files = {"a.txt", "b.txt", "sub/c.txt"};
  for (const std::string& f : files) {
    put(s.disk.path(), f, "new " + f, kT0 + 10);
    put(s.usb, f, "old " + f, kT0);
  }
  TJobSettings settings = s.settings();
  settings.KeepVersions = true;
  platform::ScopedSyscallOverride counting(countingTable());
  JobHarness h;
  h.run(TSyncType::DiskSync, settings);
  const fs::path kept = s.usb / std::string(platform::kVersionsFolderName) / kRun;
  for (const std::string& f : files) {
    EXPECT_EQ(readFile(s.usb / f), "new " + f);
    EXPECT_EQ(readFile(kept / f), "old " + f);
  }
  EXPECT_EQ(seen.links, 1);
}

// FUSE drives cannot refuse to replace by themselves: asked once a run,
// not once per rename; every rename after the first checks the new name
// itself.
TEST_P(StickRoundTrips, ADriveThatCannotRefuseToReplaceIsAskedOnce) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "renamed a.txt", "content of a", kT0);
  put(s.disk.path(), "sub/renamed b.txt", "content of b", kT0);
  put(s.disk.path(), "sub/c.txt", "newer c", kT0 + 10);
  put(s.usb, "a.txt", "content of a", kT0);
  put(s.usb, "sub/b.txt", "content of b", kT0);
  put(s.usb, "sub/c.txt", "older c", kT0);
  TJobSettings settings = s.settings();
  settings.KeepVersions = true;
  platform::ScopedSyscallOverride counting(countingTable());
  JobHarness h;
  h.run(TSyncType::DiskSync, settings);
  EXPECT_EQ(seen.noReplaceRenames, 1);
  EXPECT_FALSE(fs::exists(s.usb / "a.txt"));
  EXPECT_FALSE(fs::exists(s.usb / "sub/b.txt"));
  EXPECT_EQ(readFile(s.usb / "renamed a.txt"), "content of a");
  EXPECT_EQ(readFile(s.usb / "sub/renamed b.txt"), "content of b");
  EXPECT_EQ(readFile(s.usb / "sub/c.txt"), "newer c");
  const fs::path kept = s.usb / std::string(platform::kVersionsFolderName) / kRun;
  EXPECT_EQ(readFile(kept / "sub/c.txt"), "older c");
}

INSTANTIATE_TEST_SUITE_P(Sticks, StickRoundTrips, ::testing::Values(DriveKind::Exfat, DriveKind::Fat32), DriveName);
