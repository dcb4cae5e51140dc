// A link or mount inside one synchronised folder that leads to the other
// folder, or to a folder above it: the walk must not enter it, or the run
// copies a folder into itself (one level deeper every run) and takes the
// other side's own files for its own.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <memory>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

using FencedFolder = OnEachDrive;

// The closing lines of a run whose only error is the fenced folder.
void expectFencedReport(const JobHarness& h, const std::string& path) {
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "同步出错，请检查");
  EXPECT_EQ(lines[lines.size() - 2], "1、该文件夹通向另一个同步文件夹，未同步，请检查：" + path);
  EXPECT_EQ(lines.back().rfind(timed("手动同步结束，用时"), 0), 0u) << lines.back();
}

// A bind mount, detached again on the way out whatever the test did.
class BindMount {
 public:
  BindMount(const fs::path& from, const fs::path& onto) : onto_(onto) {
    mounted_ = ::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) == 0;
  }
  ~BindMount() {
    if (mounted_) ::umount2(onto_.c_str(), MNT_DETACH);
  }
  BindMount(const BindMount&) = delete;
  BindMount& operator=(const BindMount&) = delete;
  bool mounted() const { return mounted_; }

 private:
  fs::path onto_;
  bool mounted_ = false;
};

}  // namespace

TEST_P(FencedFolder, ALinkFromTheDiskFolderToTheUsbFolderIsNotEntered) {
  Pair s(drive_->root() / "sync", drive_->timeTolerance());
  put(s.disk.path(), "x.txt", "same", kT0);
  put(s.usb, "x.txt", "same", kT0);
  put(s.usb, "sub/y.txt", "the stick's own", kT0);
  put(s.disk.path(), "sub/y.txt", "the stick's own", kT0);
  // Only on the stick, and behind the link: the disk walk skipped it, so it
  // is not taken for deleted.
  put(s.usb, "u.txt", "only copy", kT0);
  fs::create_directory_symlink(s.usb, s.disk.path() / "stick");

  // Both ways and twice: nothing nests, nothing behind the link goes.
  for (const TSyncType kind : {TSyncType::DiskSync, TSyncType::USync, TSyncType::DiskSync}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const auto usbBefore = snapshot(s.usb);
    JobHarness h;
    h.run(kind, s.settings(2, 0));
    expectFencedReport(h, s.d() + "stick");
    EXPECT_EQ(snapshot(s.usb), usbBefore);
    EXPECT_TRUE(fs::is_symlink(s.disk.path() / "stick"));
    EXPECT_FALSE(fs::exists(s.usb / "stick"));
  }
}

TEST_P(FencedFolder, ALinkToAFolderAboveTheOtherFolderIsNotEntered) {
  Pair s(drive_->root() / "outer" / "sync", drive_->timeTolerance());
  put(s.usb, "a.txt", "a", kT0);
  put(s.disk.path(), "a.txt", "a", kT0);
  fs::create_directory_symlink(drive_->root() / "outer", s.disk.path() / "up");
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings(2, 0));
  expectFencedReport(h, s.d() + "up");
  EXPECT_FALSE(fs::exists(s.usb / "up"));
  EXPECT_EQ(readFile(s.usb / "a.txt"), "a");
}

TEST_P(FencedFolder, AMountOfTheUsbFolderInsideTheDiskFolderIsNotEntered) {
  Pair s(drive_->root() / "sync", drive_->timeTolerance());
  put(s.usb, "own.txt", "only here", kT0);
  fs::create_directory(s.disk.path() / "mnt");
  const BindMount bind(s.usb, s.disk.path() / "mnt");
  if (!bind.mounted()) GTEST_SKIP() << "bind mounts need root";

  JobHarness h;
  h.run(TSyncType::USync, s.settings(2, 0));
  expectFencedReport(h, s.d() + "mnt");
  EXPECT_EQ(readFile(s.usb / "own.txt"), "only here");
  EXPECT_FALSE(fs::exists(s.usb / "mnt"));
}

INSTANTIATE_TEST_SUITE_P(Drives, FencedFolder, EachDrive(), DriveName);

TEST(FencedFolderOnUsb, ALinkFromTheUsbFolderBackToTheDiskFolderIsNotEntered) {
  TempDir stick;
  Pair s(stick.path() / "sync");
  put(s.disk.path(), "d.txt", "disk's own", kT0);
  put(s.usb, "d.txt", "disk's own", kT0);
  fs::create_directory_symlink(s.disk.path(), s.usb / "home");
  for (const TSyncType kind : {TSyncType::USync, TSyncType::DiskSync}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const auto diskBefore = snapshot(s.disk.path());
    JobHarness h;
    h.run(kind, s.settings(2, 0));
    expectFencedReport(h, s.u() + "home");
    EXPECT_EQ(snapshot(s.disk.path()), diskBefore);
    EXPECT_TRUE(fs::is_symlink(s.usb / "home"));
  }
}

TEST(FencedFolderOnUsb, AUsbFolderMountedFromADiskSubfolderIsNotWalkedTwice) {
  TempDir disk, stick;
  put(disk.path(), "top.txt", "t", kT0);
  put(disk.path(), "sub/inner.txt", "i", kT0);
  fs::create_directory(stick.path() / "sync");
  const fs::path usb = stick.path() / "sync";
  const BindMount bind(disk.path() / "sub", usb);
  if (!bind.mounted()) GTEST_SKIP() << "bind mounts need root";

  TJobSettings settings;
  settings.KeepVersions = false;  // the old versions have tests of their own
  settings.DFolderPath = disk.str();
  settings.UFolderAbsPath = usb.string();
  settings.WhenSyncedFolderHasNewFile = 0;
  JobHarness h;
  h.run(TSyncType::DiskSync, settings);
  expectFencedReport(h, disk.str() + "/sub");
  EXPECT_EQ(readFile(usb / "inner.txt"), "i");
  EXPECT_EQ(readFile(usb / "top.txt"), "t");
  EXPECT_FALSE(fs::exists(usb / "sub"));
}
