// Whole synchronisations between two ordinary folders where the target's
// permission bits decide: the log and the resulting trees. The scenarios
// every drive shares are in sync_scenarios_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

TEST(Apply, ErrorsAreNumberedAcrossSteps) {
  TestDrive drive(DriveKind::Folder);
  Pair s(drive.root());
  put(s.disk.path(), "upd.txt", "newer", kT0 + 10);
  put(s.usb, "upd.txt", "old", kT0);
  fs::permissions(s.usb / "upd.txt", fs::perms::owner_write, fs::perm_options::remove);
  put(s.disk.path(), "vanishing.txt", "v", kT0);
  JobHarness h;
  // The new file disappears between the scan and its copy.
  h.onMessage = [&](const testsupport::Recorded& r) {
    if (r.msg == WM_LOGLINE && r.text.find("被同步文件夹需要复制的文件共") != std::string::npos)
      fs::remove(s.disk.path() / "vanishing.txt");
  };
  h.run(TSyncType::DiskSync, s.settings());
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 4u);
  const std::vector<std::string> expected = {
      "同步出错，请检查", "1、更新文件错误，请检查该文件是否正在使用：" + s.u() + "upd.txt（没有权限）",
      "2、复制文件错误，请检查该文件是否正在使用：" + s.d() + "vanishing.txt（文件不存在）", timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(lines, lines.size() - 4), expected);
  EXPECT_EQ(readFile(s.usb / "upd.txt"), "old");
}

TEST(Apply, ReadOnlyTargetOnlyFileIsDeleted) {
  TestDrive drive(DriveKind::Folder);
  Pair s(drive.root());
  put(s.usb, "ro.txt", "r", kT0);
  fs::permissions(s.usb / "ro.txt", fs::perms::owner_read);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_FALSE(fs::exists(s.usb / "ro.txt"));
}
