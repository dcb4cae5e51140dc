// Whole runs onto sticks that cannot take everything: files too large for
// FAT32, names Windows cannot open, more data than the drive has room for.
// Each refused file is an error line and never reaches the drive; a run
// that does not fit changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/fuse_mount.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const std::string kBadName = "（文件名含有Windows不允许的字符或形式）";
constexpr std::uint64_t kMiB = 1 << 20;

#define NEEDS(Mount)                         \
  do {                                       \
    std::string why;                         \
    if (!Mount::available(why)) GTEST_SKIP() << why; \
  } while (0)

// A file of `bytes` that takes no room on the disk.
void sparse(const fs::path& root, const std::string& rel, std::uint64_t bytes) {
  put(root, rel, "", kT0);
  fs::resize_file(root / rel, bytes);
  setMTime(root / rel, kT0);
}

void data(const fs::path& root, const std::string& rel, std::uint64_t bytes, std::int64_t seconds = kT0) {
  put(root, rel, patternBytes(bytes, static_cast<unsigned>(rel.size())), seconds);
}

std::vector<std::string> errorLines(const JobHarness& h) {
  std::vector<std::string> out;
  for (const TJobError& e : h.outcome().Errors) out.push_back(e.Line);
  return out;
}

}  // namespace

TEST(DriveCheckSync, AFileOverFourGigabytesStaysOffAFat32Stick) {
  NEEDS(FatMount);
  FatMount drive;
  Pair s(drive.path() / "sync", 2);
  put(s.disk.path(), "a.txt", "alpha", kT0);
  put(s.disk.path(), "c.txt", "gamma", kT0);
  const std::uint64_t tooLarge = (std::uint64_t{4} << 30);
  sparse(s.disk.path(), "big.iso", tooLarge);
  ASSERT_EQ(fs::file_size(s.disk.path() / "big.iso"), tooLarge);

  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(h.outcome().End, TJobEnd::Done);
  EXPECT_EQ(errorLines(h), std::vector<std::string>{"1、复制文件错误，请检查该文件是否正在使用：" + s.d() +
                                                    "big.iso（文件超过4GB，FAT32 U盘不能存放）"});
  ASSERT_EQ(h.outcome().Errors.size(), 1u);
  EXPECT_EQ(h.outcome().Errors[0].Status.code, std::errc::file_too_large);
  EXPECT_EQ(h.outcome().Done.Copied, 2);
  // Not attempted: no copy line for it, nothing of it on the stick.
  for (const std::string& line : h.lines()) EXPECT_EQ(line.find("big.iso到"), std::string::npos) << line;
  EXPECT_EQ(listing(s.usb), "a.txt c.txt");
}

TEST(DriveCheckSync, NamesWindowsCannotOpenStayOffAStickButNotOffAnOrdinaryDrive) {
  NEEDS(ExfatMount);
  ExfatMount drive;
  const std::vector<std::string> refused = {"a:b.txt", "blank ", "con.txt", "trail."};
  for (const bool onStick : {true, false}) {
    TempDir folder;
    Pair s(onStick ? drive.path() / "sync" : folder.path() / "sync", onStick ? 2 : 0);
    for (const std::string& name : refused) put(s.disk.path(), name, name, kT0);
    put(s.disk.path(), "照片.txt", "photo", kT0);
    put(s.disk.path(), "nul/inside.txt", "i", kT0);
    JobHarness h;
    h.run(TSyncType::DiskSync, s.settings());
    EXPECT_EQ(h.outcome().End, TJobEnd::Done);
    if (!onStick) {
      EXPECT_TRUE(h.outcome().Errors.empty());
      EXPECT_EQ(s.differences(), "");
      continue;
    }
    // The folder is refused with every file in it; the run goes on.
    std::vector<std::string> expected = {"1、创建文件夹错误，请检查该文件夹：" + s.u() + "nul" + kBadName};
    for (const char* name : {"a:b.txt", "blank ", "con.txt", "nul/inside.txt", "trail."})  // in the run's order
      expected.push_back(std::to_string(expected.size() + 1) + "、复制文件错误，请检查该文件是否正在使用：" + s.d() +
                         name + kBadName);
    EXPECT_EQ(errorLines(h), expected);
    EXPECT_EQ(listing(s.usb), "照片.txt");
    const auto lines = h.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), timed("创建文件夹" + s.u() + "nul")), 0);
    EXPECT_EQ(lines.back(), timed("手动同步结束，用时0秒"));
  }
}

TEST(DriveCheckSync, ARunThatDoesNotFitChangesNothing) {
  NEEDS(ExfatMount);
  ExfatMount drive(16 * kMiB);
  Pair s(drive.path() / "sync", 2);
  put(s.usb, "keep.txt", "k", kT0);
  for (const char* name : {"one.bin", "two.bin", "three.bin"}) data(s.disk.path(), name, 6 * kMiB);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings(2, 1));
  const TJobOutcome& o = h.outcome();
  EXPECT_EQ(o.End, TJobEnd::Failed);
  EXPECT_EQ(o.FailureStatus.code, std::errc::no_space_on_device);
  EXPECT_EQ(o.Failure.rfind("目标磁盘空间不足：需要写入18.0MB，可用", 0), 0u) << o.Failure;
  EXPECT_TRUE(o.Failure.ends_with("MB，未同步，没有改动任何文件")) << o.Failure;
  const auto lines = h.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), timed(o.Failure));
  EXPECT_EQ(h.numbers().back(), WM_SYNCEND);
  EXPECT_EQ(o.Done.Items(), 0);
  EXPECT_EQ(listing(s.usb), "keep.txt");
}

TEST(DriveCheckSync, ReplacedFilesMakeRoomUnlessTheirOldVersionsAreKept) {
  NEEDS(ExfatMount);
  ExfatMount drive(16 * kMiB);
  Pair s(drive.path() / "sync", 2);
  // Two large files on the stick become small ones; a new file needs the room.
  for (const char* name : {"a.bin", "b.bin"}) {
    data(s.usb, name, 6 * kMiB, kT0);
    put(s.disk.path(), name, "now small", kT0 + 60);
  }
  data(s.disk.path(), "new.bin", 6 * kMiB);
  ASSERT_LT(fs::space(drive.path()).available, 6 * kMiB);

  TJobSettings keep = s.settings(2, 1);
  keep.KeepVersions = true;
  JobHarness kept;
  kept.run(TSyncType::DiskSync, keep);
  EXPECT_EQ(kept.outcome().End, TJobEnd::Failed);
  EXPECT_EQ(kept.outcome().Failure.rfind("目标磁盘空间不足：", 0), 0u) << kept.outcome().Failure;
  EXPECT_EQ(fs::file_size(s.usb / "a.bin"), 6 * kMiB);
  EXPECT_FALSE(fs::exists(s.usb / "new.bin"));

  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings(2, 1));
  EXPECT_EQ(h.outcome().End, TJobEnd::Done);
  EXPECT_TRUE(h.outcome().Errors.empty()) << errorLines(h).front();
  EXPECT_EQ(s.differences(), "");
}

TEST(DriveCheckSync, APreviewForeseesRefusalsAndAShortage) {
  NEEDS(ExfatMount);
  ExfatMount drive(16 * kMiB);
  Pair s(drive.path() / "sync", 2);
  put(s.disk.path(), "a:b.txt", "x", kT0);
  put(s.disk.path(), "ok.txt", "ok", kT0);
  JobHarness h;
  h.dryRun = true;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(h.outcome().End, TJobEnd::Previewed);
  const auto lines = h.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "（预览）1、复制文件错误，请检查该文件是否正在使用：" + s.d() + "a:b.txt" + kBadName),
            lines.end());
  for (const std::string& line : lines) EXPECT_EQ(line.find("a:b.txt到"), std::string::npos) << line;

  data(s.disk.path(), "huge.bin", 20 * kMiB);
  JobHarness again;
  again.dryRun = true;
  again.run(TSyncType::DiskSync, s.settings());
  EXPECT_EQ(again.outcome().End, TJobEnd::Previewed);
  const auto more = again.lines();
  ASSERT_GE(more.size(), 2u);
  EXPECT_EQ(more[more.size() - 2].rfind(timed("（预览）目标磁盘空间不足：需要写入20.0MB"), 0), 0u) << more[more.size() - 2];
  EXPECT_EQ(listing(s.usb), "");
}
