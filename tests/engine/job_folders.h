// The two folders of a job test and the check that a job refuses a pair of
// folders before it reads anything, shared by the job's portable and POSIX
// tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/job_settings.h"
#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

struct JobFolders {
  TempDir disk, usb;
  TJobSettings settings() const {
    TJobSettings s;
    s.KeepVersions = false;  // the old versions have tests of their own
    s.DFolderPath = disk.str();
    s.UFolderAbsPath = usb.str();
    return s;
  }
};

struct OverlapCase {
  std::string disk, usb, failure;
};

// Both forced kinds fail at once with the case's line, after the scan's first line.
inline void expectFailsBeforeReading(const OverlapCase& c) {
  SCOPED_TRACE(c.disk + " | " + c.usb);
  TJobSettings s;
  s.KeepVersions = false;  // the old versions have tests of their own
  s.DFolderPath = c.disk;
  s.UFolderAbsPath = c.usb;
  s.WhenSyncedFolderHasNewFile = 0;
  for (TSyncType kind : {TSyncType::DiskSync, TSyncType::USync}) {
    JobHarness h;
    h.run(kind, s);
    const auto lines = h.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], std::string(kStamp) + "  正在扫描硬主监测文件夹");
    EXPECT_EQ(lines[2].rfind(std::string(kStamp) + "  " + c.failure, 0), 0u) << lines[2];
    EXPECT_EQ(h.numbers().back(), WM_SYNCEND);
  }
}

}  // namespace testsupport
