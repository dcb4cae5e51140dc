// The preview of what the walk meets on POSIX only: a folder link that
// only the target holds, and a pipe where a file would go.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/engine/dry_run_lines.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/special_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

// A linked folder that only the target holds: the run removes the link and
// nothing behind it, and so says the preview. A pipe that the walk does not
// list stands where a file would go: the run leaves it, with an error.
TEST(DryRunLinks, ALinkedFolderIsForetoldAsOneFolderDeletedAndAPipeAsAnError) {
  TempDir elsewhere, drive;
  put(elsewhere.path(), "precious.txt", "keep me", kT0);
  Pair s(drive.path() / "usb");
  put(s.disk.path(), "a.txt", "a", kT0 + 10);
  put(s.disk.path(), "pipe", "a file here", kT0 + 10);
  makeFifo(s.usb / "pipe");
  fs::create_symlink(elsewhere.path(), s.usb / "link");
  const ExactSnapshot outside = exactSnapshot(elsewhere.path());

  JobHarness preview;
  preview.dryRun = true;
  preview.run(TSyncType::DiskSync, s.settings(2, 0));
  const Lines plan = planLines(preview.lines(), true);
  const Lines expected = {
      timed("被同步文件夹需要复制的文件共2个"),
      timed("复制文件" + s.d() + "a.txt到" + s.u() + "a.txt"),
      timed("被同步文件夹需要删除的文件夹共1个"),
      timed("被同步文件夹删除文件夹" + s.u() + "link"),
      "同步出错，请检查",
      "1、该文件在同步期间被改动，未覆盖，请检查：" + s.u() + "pipe",
  };
  EXPECT_EQ(plan, expected);

  JobHarness run;
  run.run(TSyncType::DiskSync, s.settings(2, 0));
  EXPECT_EQ(planLines(run.lines(), false), expected);
  EXPECT_FALSE(fs::exists(fs::symlink_status(s.usb / "link")));
  EXPECT_EQ(exactDifferences(outside, exactSnapshot(elsewhere.path())), "");
}
