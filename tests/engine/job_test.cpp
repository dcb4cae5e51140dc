// The job's life: begin and end messages, the stop protocol, failures, the
// close command, and the source decision with its exact lines.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/pThdSync.h"
#include "tests/engine/job_folders.h"
#include "tests/engine/job_harness.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"

using testsupport::JobHarness;
using testsupport::expectFailsBeforeReading;
using testsupport::kStamp;
using testsupport::OverlapCase;
using testsupport::setMTime;
using testsupport::TempDir;

namespace {

const std::string kSeparator = "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~";
std::string timed(const std::string& text) { return std::string(kStamp) + "  " + text; }

using Folders = testsupport::JobFolders;

const std::int64_t kT0 = 1'600'000'000;  // 2020-09-13, an even second

}  // namespace

TEST(Job, EveryKindBeginsAndEndsAndClearsRunning) {
  for (TSyncType kind : {TSyncType::AutoSync, TSyncType::DiskSync, TSyncType::USync}) {
    Folders f;
    JobHarness h;
    h.run(kind, f.settings());
    const auto numbers = h.numbers();
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.front(), WM_SYNCBEGIN);
    EXPECT_EQ(numbers.back(), WM_SYNCEND);
    EXPECT_FALSE(SyncRunning);
    // Two empty folders are in step.
    const auto lines = h.lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], kSeparator);
    EXPECT_EQ(lines[1], timed("正在扫描硬主监测文件夹(0个文件夹和文件)"));
    EXPECT_EQ(lines[2], timed("正在扫描U盘监测文件夹(0个文件夹和文件)"));
    EXPECT_EQ(lines[lines.size() - 2], timed("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"));
    EXPECT_EQ(lines.back(), timed("同步结束，用时0秒"));
  }
}

TEST(Job, StopBeforeTheScan) {
  Folders f;
  f.disk.write("a.txt", "x");
  JobHarness h;
  StopSync = true;
  h.run(TSyncType::AutoSync, f.settings());
  const std::vector<std::string> expected = {kSeparator, timed("正在扫描硬主监测文件夹"), "手动同步被停止！！！"};
  EXPECT_EQ(h.lines(), expected);
  EXPECT_EQ(h.numbers().back(), WM_SYNCEND);
  EXPECT_EQ(h.outcome().End, TJobEnd::Stopped);
  EXPECT_EQ(h.outcome().SourceRoot, "");
}

TEST(Job, StopDuringTheDiskScanKeepsItsPartialCount) {
  Folders f;
  for (int i = 0; i < 50; ++i) f.disk.write("d/f" + std::to_string(i), "x");
  JobHarness h;
  // The job's own lines arrive before the walk starts; stop at the first line
  // after which the disk walk runs.
  h.onMessage = [](const testsupport::Recorded& r) {
    if (r.msg == WM_LOGLINE && r.text.find("正在扫描硬主监测文件夹") != std::string::npos) StopSync = true;
  };
  h.run(TSyncType::DiskSync, f.settings());
  const auto lines = h.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "手动同步被停止！！！");
  EXPECT_EQ(lines[1], timed("正在扫描硬主监测文件夹"));
}

TEST(Job, AFailureIsReportedAndTheJobStillEnds) {
  Folders f;
  TJobSettings s = f.settings();
  s.DFolderPath = f.disk.str() + PathDelim + "missing";
  JobHarness h;
  h.run(TSyncType::AutoSync, s);
  const auto lines = h.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], timed("同步失败：The specified path was not found：" + s.DFolderPath + PathDelim));
  EXPECT_EQ(h.numbers().back(), WM_SYNCEND);
  EXPECT_FALSE(SyncRunning);
  EXPECT_EQ(h.outcome().End, TJobEnd::Failed);
  EXPECT_EQ(h.outcome().Failure, "同步失败：The specified path was not found：" + s.DFolderPath + PathDelim);
  EXPECT_TRUE(h.outcome().FailureStatus.ok());  // the walk's own check, no call failed

  // A missing USB folder fails after the disk folder's count.
  JobHarness h2;
  TJobSettings s2 = f.settings();
  s2.UFolderAbsPath = f.usb.str() + PathDelim + "gone";
  h2.run(TSyncType::USync, s2);
  const auto lines2 = h2.lines();
  ASSERT_EQ(lines2.size(), 4u);
  EXPECT_EQ(lines2[2], timed("正在扫描U盘监测文件夹"));
  EXPECT_EQ(lines2[3].rfind(timed("同步失败：The specified path was not found"), 0), 0u);
}

TEST(Job, CloseAfterSyncPostsTheCloseCommand) {
  Folders f;
  JobHarness h;
  CloseAfterSync = true;
  h.run(TSyncType::AutoSync, f.settings());
  EXPECT_TRUE(h.receiver()->waitForPosted(platform::WM_SYSCOMMAND, std::chrono::seconds(5)));
  h.receiver()->dispatchPosted();
  const auto& last = h.messages().back();
  EXPECT_EQ(last.msg, platform::WM_SYSCOMMAND);
  EXPECT_EQ(last.wParam, platform::SC_CLOSE);
}

TEST(Job, TimedModeSendsOnlyItsStopMessage) {
  Folders f;
  JobHarness h;
  h.run(TSyncType::AutoSyncBySecond, f.settings());
  EXPECT_TRUE(h.messages().empty());
  StopSync = true;
  h.run(TSyncType::AutoSyncBySecond, f.settings());
  ASSERT_EQ(h.numbers().size(), 1u);
  EXPECT_EQ(h.numbers()[0], WM_AUTOSYNCSTOPPED);
}

TEST(Job, ASuspendedJobCanBeDiscarded) {
  auto* job = new ThdSync(true, TJobSettings{});
  EXPECT_TRUE(SyncRunning);
  ThdSync::Discard(job);
  EXPECT_FALSE(SyncRunning);
}

// --- Source decision ---------------------------------------------------------

TEST(Decision, NewerFolderWinsThenCount) {
  {
    Folders f;
    setMTime(f.disk.write("a.txt", "1"), kT0 + 100);
    setMTime(f.usb.write("a.txt", "1"), kT0);
    JobHarness h;
    h.run(TSyncType::AutoSync, f.settings());
    const auto lines = h.lines();
    EXPECT_EQ(lines[3], timed("开始自动判断同步源..."));
    EXPECT_EQ(lines[4], timed("硬盘监测文件夹文件最后更新时间较新，以硬盘监测文件夹为架构同步U盘监测文件夹"));
    // The file that decided it follows, with its time on both sides.
    const std::string t1 = platform::dateTimeToStr(platform::fileTimeToDateTime(kT0 + 100, 0));
    const std::string t0 = platform::dateTimeToStr(platform::fileTimeToDateTime(kT0, 0));
    EXPECT_EQ(lines[5], timed("决定同步源的文件：a.txt，硬盘监测文件夹中为" + t1 + "，U盘监测文件夹中为" + t0));
    EXPECT_EQ(lines[6], timed("分析主监测文件夹..."));
  }
  {
    Folders f;  // empty disk, USB with files: the USB folder is newer
    setMTime(f.usb.write("a.txt", "1"), kT0);
    JobHarness h;
    h.run(TSyncType::AutoSync, f.settings());
    EXPECT_EQ(h.lines()[4], timed("U盘监测文件夹文件最后更新时间较新，以U盘监测文件夹为架构同步硬盘监测文件夹"));
  }
  {
    Folders f;  // folders only: decided by count
    f.disk.mkdir("a");
    f.disk.mkdir("b");
    f.usb.mkdir("a");
    JobHarness h;
    h.run(TSyncType::AutoSync, f.settings());
    EXPECT_EQ(h.lines()[4], timed("硬盘监测文件夹文件较多，以硬盘监测文件夹为架构同步U盘监测文件夹"));
  }
  {
    Folders f;
    f.usb.mkdir("a");
    f.usb.mkdir("b");
    JobHarness h;
    h.run(TSyncType::AutoSync, f.settings());
    EXPECT_EQ(h.lines()[4], timed("U盘监测文件夹文件较多，以U盘监测文件夹为架构同步硬盘监测文件夹"));
  }
}

TEST(Decision, EqualFoldersAreCheckedForStep) {
  auto twin = [](Folders& f, const std::string& usbName, std::int64_t usbTime, const std::string& usbData) {
    setMTime(f.disk.write("sub/a.txt", "abc"), kT0);
    setMTime(f.usb.write("sub/" + usbName, usbData), usbTime);
  };
  {
    Folders f;  // identical
    twin(f, "a.txt", kT0, "abc");
    JobHarness h;
    h.run(TSyncType::AutoSync, f.settings());
    const auto lines = h.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], timed("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"));
    EXPECT_EQ(lines[5], timed("同步结束，用时0秒"));
  }
  {
    Folders f;  // a case-only difference in a name: not in step
    twin(f, "A.txt", kT0, "abc");
    JobHarness h;
    h.run(TSyncType::AutoSync, f.settings());
    EXPECT_EQ(h.lines()[4],
              timed("硬盘监测文件夹与U盘监测文件夹内容不同，以硬盘监测文件夹为架构同步硬盘主监测文件夹"));
  }
  {
    Folders f;  // same newest time, same count, a different size: a changed file is never "in step"
    setMTime(f.disk.write("a.txt", "abc"), kT0);
    setMTime(f.disk.write("b.txt", "abc"), kT0 + 4);
    setMTime(f.usb.write("a.txt", "abcd"), kT0 + 4);
    setMTime(f.usb.write("b.txt", "abc"), kT0 + 4);
    JobHarness h;
    h.run(TSyncType::DiskSync, f.settings());
    const auto lines = h.lines();
    EXPECT_EQ(lines[3], timed("强制以硬盘监测文件夹为同步源更新U盘监测文件夹"));
    EXPECT_EQ(lines[4], timed("分析主监测文件夹..."));
  }
  {
    Folders f;  // forced kinds on folders in step
    twin(f, "a.txt", kT0, "abc");
    JobHarness h;
    h.run(TSyncType::USync, f.settings());
    const auto lines = h.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], timed("强制以U盘监测文件夹为同步源更新硬盘监测文件夹"));
    EXPECT_EQ(lines[4], timed("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"));
  }
}

TEST(Decision, RootsWithAndWithoutTrailingDelimiterPairUp) {
  Folders f;
  setMTime(f.disk.write("x/a.txt", "abc"), kT0);
  setMTime(f.usb.write("x/a.txt", "abc"), kT0);
  TJobSettings s = f.settings();
  s.UFolderAbsPath += PathDelim;  // a drive root always ends in the delimiter
  JobHarness h;
  h.run(TSyncType::AutoSync, s);
  EXPECT_EQ(h.lines()[4], timed("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"));
}

// Folders that are one another, or one inside the other, would make a run
// copy a tree into itself or delete the inner folder; an empty folder would
// be the whole file system. The job fails before anything is read.
TEST(Job, OverlappingOrEmptyFoldersFailBeforeAnythingIsTouched) {
  TempDir top;
  const std::string outer = top.str() + PathDelim + "outer";
  const std::string inner = outer + PathDelim + "inner";
  top.write("outer/inner/keep.txt", "k");
  top.write("outer/only-here.txt", "o");
  const std::string overlap = "同步失败：硬盘监测文件夹与U盘监测文件夹不能相同，也不能一个位于另一个之中：";
  const OverlapCase cases[] = {
      {outer, inner, overlap + inner + PathDelim},
      {inner, outer + PathDelim, overlap + inner + PathDelim},
      {outer, outer, overlap + outer + PathDelim},
      {"", inner, "同步失败：Invalid characters in path"},
  };
  for (const OverlapCase& c : cases) expectFailsBeforeReading(c);
  EXPECT_EQ(testsupport::readFile(top.path() / "outer/inner/keep.txt"), "k");
  EXPECT_EQ(testsupport::readFile(top.path() / "outer/only-here.txt"), "o");
}
