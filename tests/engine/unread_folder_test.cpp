// Folders one side cannot list: the job must not take their missing
// contents for deleted files, on either strategy, and must say so.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/pThdSync.h"
#include "platform/folder_reader.h"
#include "tests/engine/job_harness.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using testsupport::JobHarness;
using testsupport::kStamp;
using testsupport::setMTime;
using testsupport::snapshot;
using testsupport::TempDir;

namespace {

const std::int64_t kT0 = 1'600'000'000;

// The two scans run on different threads; the disk scan's thread is the one
// that opens the disk root, and only there is "locked" unreadable.
std::string diskRootForHook;
bool lockRoot = false;
thread_local bool walkingDisk = false;

std::error_code lockOnDiskSide(platform::FolderOp op, std::string_view name) {
  if (op != platform::FolderOp::Open) return {};
  if (name == diskRootForHook) {
    walkingDisk = true;
    if (lockRoot) return std::make_error_code(std::errc::permission_denied);
  }
  if (walkingDisk && name == "locked") return std::make_error_code(std::errc::permission_denied);
  return {};
}

struct UnreadSync : ::testing::Test {
  TempDir disk, usb;
  void SetUp() override {
    diskRootForHook = disk.str() + PathDelim;
    lockRoot = false;
    platform::setFolderFaultHookForTesting(lockOnDiskSide);
  }
  void TearDown() override { platform::setFolderFaultHookForTesting(nullptr); }
  void file(const TempDir& side, const std::string& rel, const std::string& data, std::int64_t t) const {
    setMTime(side.write(rel, data), t);
  }
  TJobSettings settings(int targetOnly) const {
    TJobSettings s;
    s.KeepVersions = false;  // the old versions have tests of their own
    s.DFolderPath = disk.str();
    s.UFolderAbsPath = usb.str();
    s.WhenSyncedFolderHasNewSameFile = 0;
    s.WhenSyncedFolderHasNewFile = static_cast<std::int16_t>(targetOnly);
    return s;
  }
};

}  // namespace

TEST_F(UnreadSync, NothingInAnUnreadableSourceFolderIsDeletedOrCopiedBack) {
  for (int targetOnly : {0, 2}) {
    SCOPED_TRACE(targetOnly);
    fs::remove_all(disk.path() / "locked");
    fs::remove_all(usb.path() / "locked");
    file(disk, "a.txt", "new", kT0 + 10);
    file(disk, "locked/inner.txt", "source version", kT0 + 10);
    file(usb, "locked/inner.txt", "usb version, older", kT0);
    file(usb, "locked/only_on_usb.txt", "kept", kT0);
    file(usb, "locked/sub/deep.txt", "kept too", kT0);
    file(usb, "locked2/elsewhere.txt", "a sibling whose name starts alike", kT0);
    const auto usbBefore = snapshot(usb.path() / "locked");
    const auto diskBefore = snapshot(disk.path() / "locked");

    JobHarness h;
    h.run(TSyncType::DiskSync, settings(targetOnly));
    const auto lines = h.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "同步出错，请检查");
    EXPECT_EQ(lines[lines.size() - 2], "1、读取文件夹错误，请检查该文件夹：" + disk.str() + PathDelim + "locked（没有权限）");
    EXPECT_EQ(lines.back().rfind(std::string(kStamp) + "  手动同步结束，用时", 0), 0u) << lines.back();

    EXPECT_EQ(snapshot(usb.path() / "locked"), usbBefore);
    EXPECT_EQ(snapshot(disk.path() / "locked"), diskBefore);
    EXPECT_EQ(testsupport::readFile(usb.path() / "a.txt"), "new");
    // Outside the unreadable folder the strategy still applies.
    EXPECT_EQ(fs::exists(usb.path() / "locked2/elsewhere.txt"), targetOnly == 2);
    EXPECT_EQ(fs::exists(disk.path() / "locked2/elsewhere.txt"), targetOnly == 2);
  }
}

TEST_F(UnreadSync, FoldersThatMatchSaveTheirUnknownContentsAreNotInStep) {
  // Both listings agree, but one side could not be read: the run reports it
  // instead of calling the folders in step.
  file(disk, "locked/inner.txt", "x", kT0);
  fs::create_directory(usb.path() / "locked");
  setMTime(disk.path() / "locked", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, settings(0));
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "1、读取文件夹错误，请检查该文件夹：" + disk.str() + PathDelim + "locked（没有权限）");
  EXPECT_FALSE(fs::exists(usb.path() / "locked/inner.txt"));
}

TEST_F(UnreadSync, AnUnreadableRootFailsTheJobAndTouchesNothing) {
  lockRoot = true;
  file(usb, "a.txt", "usb", kT0);
  file(usb, "sub/b.txt", "usb", kT0);
  const auto usbBefore = snapshot(usb.path());
  JobHarness h;
  h.run(TSyncType::DiskSync, settings(0));
  const auto lines = h.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            std::string(kStamp) + "  同步失败：I/O error 13 (Permission denied)：" + disk.str() + PathDelim + "（没有权限）");
  EXPECT_EQ(snapshot(usb.path()), usbBefore);
  EXPECT_EQ(h.outcome().End, TJobEnd::Failed);
  EXPECT_EQ(h.outcome().FailureStatus.code, std::errc::permission_denied);
  EXPECT_EQ(h.outcome().FailureStatus.path, disk.str() + PathDelim);
}
