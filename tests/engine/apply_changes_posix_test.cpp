// Applying changes where POSIX shows more than Windows: folder permission
// bits, a hard link's shared mode, the running program reached by a link
// through /proc.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_times.h"
#include "tests/support/program_link.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

TEST(Apply, FolderModesCarried) {
  TestDrive drive(DriveKind::Folder);
  Pair s(drive.root());
  s.disk.mkdir("private");
  fs::permissions(s.disk.path() / "private", fs::perms::owner_all | fs::perms::group_read);
  put(s.disk.path(), "private/p.txt", "p", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  const auto mode = fs::status(s.usb / "private").permissions();
  EXPECT_EQ(mode, fs::perms::owner_all | fs::perms::group_read);
}

TEST(Apply, DeletingATargetOnlyHardLinkKeepsTheSharedFilesMode) {
  TestDrive drive(DriveKind::Folder);
  Pair s(drive.root());
  TempDir elsewhere;
  const fs::path shared = elsewhere.write("shared.txt", "kept read-only");
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(shared, readOnly);
  fs::create_hard_link(shared, s.usb / "link.txt");
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_FALSE(fs::exists(s.usb / "link.txt"));
  EXPECT_EQ(fs::status(shared).permissions(), readOnly);
  EXPECT_EQ(readFile(shared), "kept read-only");
}

// The program file on the stick, with the stick's root as the USB folder: a
// forced run from a disk folder that does not hold it must not delete it,
// nor put the disk's file of that name over it.
TEST(Apply, TheRunningProgramOnTheTargetStays) {
  TestDrive drive(DriveKind::Folder);
  Pair s(drive.root());
  const fs::path program = s.usb / "CorvelDrovan";
  const fs::path tools = s.usb / "tools/drovan-sync";
  fs::create_directories(tools.parent_path());
  if (!linkRunningProgram(program) || !linkRunningProgram(tools)) GTEST_SKIP() << "no hard link to the program here";
  const auto size = fs::file_size(program);
  setMTime(program, kT0);
  setMTime(tools, kT0);
  put(s.disk.path(), "tools/drovan-sync", "an older copy, newer by time", kT0 + 10);
  put(s.disk.path(), "a.txt", "a", kT0);

  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings(2, 0));
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 6u);
  const std::vector<std::string> expected = {
      timed("被同步文件夹需要删除的文件共1个"),
      timed("被同步文件夹删除文件" + s.u() + "CorvelDrovan"),
      "同步出错，请检查",
      "1、更新文件错误，请检查该文件是否正在使用：" + s.u() + "tools/drovan-sync（文件正在使用）",
      "2、删除文件错误，请检查该文件：" + s.u() + "CorvelDrovan（文件正在使用）",
      timed("手动同步结束，用时0秒")};
  EXPECT_EQ(tail(lines, lines.size() - 6), expected);
  EXPECT_EQ(fs::file_size(program), size);
  EXPECT_EQ(fs::file_size(tools), size);
  EXPECT_EQ(readFile(s.usb / "a.txt"), "a");
  EXPECT_EQ(countTempFiles(s.usb), 0u);
}
