// Folder links that only the target holds: deleting them removes the link,
// never what the walk listed behind it.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using testsupport::kStamp;

TEST(LinkedFolders, ATargetOnlyLinkIsRemovedWithoutReachingThroughIt) {
  testsupport::TempDir disk, usb, outside;
  const std::int64_t t = 1'600'000'000;
  testsupport::setMTime(disk.write("real/keep.txt", "k"), t);
  testsupport::setMTime(usb.write("real/keep.txt", "k"), t);
  outside.write("x.txt", "precious");
  outside.write("sub/y.txt", "precious too");
  fs::create_directory_symlink(outside.path(), usb.path() / "outlink");
  fs::create_directory_symlink("real", usb.path() / "alias");
  const auto outsideBefore = testsupport::snapshot(outside.path());

  TJobSettings settings;
  settings.KeepVersions = false;  // the old versions have tests of their own
  settings.DFolderPath = disk.str();
  settings.UFolderAbsPath = usb.str();
  settings.WhenSyncedFolderHasNewFile = 0;
  testsupport::JobHarness h;
  h.run(TSyncType::DiskSync, settings);

  EXPECT_EQ(testsupport::snapshot(outside.path()), outsideBefore);
  EXPECT_EQ(testsupport::readFile(usb.path() / "real/keep.txt"), "k");
  EXPECT_FALSE(fs::exists(fs::symlink_status(usb.path() / "outlink")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(usb.path() / "alias")));
  const std::string u = usb.str() + "/", stamp = std::string(kStamp) + "  ";
  std::vector<std::string> deletions;
  for (const std::string& line : h.lines())
    if (line.find("删除") != std::string::npos) deletions.push_back(line);
  const std::vector<std::string> expected = {
      // What lies behind the links goes with them: not counted, no lines.
      stamp + "被同步文件夹需要删除的文件夹共2个",
      stamp + "被同步文件夹删除文件夹" + u + "outlink", stamp + "被同步文件夹删除文件夹" + u + "alias"};
  EXPECT_EQ(deletions, expected);
}
