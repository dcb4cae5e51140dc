#include "tests/engine/sync_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;

namespace testsupport {

void put(const fs::path& root, const std::string& rel, const std::string& data, std::int64_t seconds,
         long nanoseconds) {
  const fs::path file = root / fromUtf8(rel);
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << data;
  setMTime(file, seconds, nanoseconds);
}

std::vector<std::string> tail(const std::vector<std::string>& lines, std::size_t from) {
  return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end()};
}

std::vector<std::string> inStepEnding() {
  return {timed("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"), timed("同步结束，用时0秒")};
}

void expectNothingDone(const JobHarness& h) {
  const auto numbers = h.numbers();
  EXPECT_EQ(std::count(numbers.begin(), numbers.end(), WM_COPYSTART), 0);
  const auto lines = h.lines();
  ASSERT_FALSE(lines.empty());
  for (const auto& line : lines) {
    EXPECT_EQ(line.find("需要"), std::string::npos) << line;
    EXPECT_EQ(line.find("修改文件名"), std::string::npos) << line;
    EXPECT_EQ(line.find("出错"), std::string::npos) << line;
  }
  EXPECT_TRUE(lines.back() == timed("同步结束，用时0秒") || lines.back() == timed("手动同步结束，用时0秒"))
      << lines.back();
}

bool TestDrive::available(DriveKind kind, std::string& why) {
  switch (kind) {
    case DriveKind::Folder: return true;
    case DriveKind::Exfat: return FuseMount::available(FuseFs::Exfat, why);
    case DriveKind::Fat32: return FuseMount::available(FuseFs::Fat32, why);
  }
  return false;
}

TestDrive::TestDrive(DriveKind kind) {
  if (kind == DriveKind::Folder)
    folder_.emplace();
  else
    fuse_ = std::make_unique<FuseMount>(kind == DriveKind::Exfat ? FuseFs::Exfat : FuseFs::Fat32);
}

fs::path TestDrive::root() const { return fuse_ ? fuse_->path() : folder_->path(); }

void TestDrive::replug() {
  if (fuse_) fuse_->remount();
}

Pair::Pair(fs::path usbFolder, std::int64_t timeTolerance) : usb(std::move(usbFolder)), tolerance(timeTolerance) {
  fs::create_directories(usb);
}

TJobSettings Pair::settings(int sameNewer, int targetOnly) const {
  TJobSettings s;
  s.KeepVersions = false;  // the old versions have tests of their own
  s.DFolderPath = disk.str();
  s.UFolderAbsPath = usb.string() + (usbAsDriveRoot ? std::string(1, PathDelim) : std::string());
  s.WhenSyncedFolderHasNewSameFile = static_cast<std::int16_t>(sameNewer);
  s.WhenSyncedFolderHasNewFile = static_cast<std::int16_t>(targetOnly);
  return s;
}

std::string Pair::differences() const {
  return treeDifferences(snapshot(disk.path()), snapshot(usb), tolerance);
}

Sides sidesOf(const Pair& s, TSyncType kind) {
  if (kind == TSyncType::DiskSync) return {true, s.disk.path(), s.usb, s.d(), s.u()};
  return {false, s.usb, s.disk.path(), s.u(), s.d()};
}

}  // namespace testsupport
