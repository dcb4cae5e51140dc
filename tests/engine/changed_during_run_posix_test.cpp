// A change during a run that only POSIX shows: a link leading nowhere,
// made in a folder the run would delete.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// The numbered error lines of a run, in order.
std::vector<std::string> errorLines(const JobHarness& h) {
  std::vector<std::string> errors;
  bool inSummary = false;
  for (const std::string& line : h.lines()) {
    if (line == "同步出错，请检查") inSummary = true;
    else if (inSummary && line.rfind(kStamp, 0) != 0 && !line.empty()) errors.push_back(line);
  }
  return errors;
}

}  // namespace

TEST(ChangedDuringRunOnDisk, AnOldLinkLeadingNowhereGoesWithItsFolderANewOneKeepsIt) {
  TempDir stick;
  Pair s(stick.path() / "sync");
  put(s.usb, "old/a.txt", "old", kT0);
  fs::create_symlink("nowhere", s.usb / "old" / "dangling");
  put(s.usb, "other/b.txt", "old", kT0);
  // Older than the scan by more than the file system's clock step.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  JobHarness h;
  bool edited = false;
  h.onMessage = [&](const Recorded& r) {
    if (!edited && r.text.find("分析主监测文件夹...") != std::string::npos) {
      edited = true;
      fs::create_symlink("nowhere", s.usb / "other" / "new-dangling");
    }
  };
  h.run(TSyncType::DiskSync, s.settings(2, 0));
  EXPECT_FALSE(fs::exists(fs::symlink_status(s.usb / "old")));
  EXPECT_TRUE(fs::is_symlink(s.usb / "other" / "new-dangling"));
  EXPECT_EQ(errorLines(h),
            std::vector<std::string>{"1、该文件夹在同步期间被改动，未删除，请检查：" + s.u() + "other"});
}
