// The two folders of one whole synchronisation, with the USB folder in an
// ordinary folder or on a real exFAT or FAT32 drive, and the checks the
// scenarios share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/job_settings.h"
#include "inventory/file_info.h"
#include "tests/engine/job_harness.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

inline const std::string kSeparator = "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~";
inline constexpr std::int64_t kT0 = 1'600'000'000;  // an even second

inline std::string timed(const std::string& text) { return std::string(kStamp) + "  " + text; }
// A copy back to the source side is logged without the blanks after the stamp.
inline std::string copyBackLine(const std::string& text) { return std::string(kStamp) + text; }

// Writes a file below root, creating its folders, with the given time.
void put(const std::filesystem::path& root, const std::string& rel, const std::string& data,
         std::int64_t seconds, long nanoseconds = 0);
std::vector<std::string> tail(const std::vector<std::string>& lines, std::size_t from);
// The last two lines of a run that found the folders in step.
std::vector<std::string> inStepEnding();
// A run that found nothing to change: no copy, no phase announced, and a
// closing line (in step, or the end of a change application that had no work).
void expectNothingDone(const JobHarness& h);

enum class DriveKind { Folder, Exfat, Fat32 };

// Where the USB folders live: an ordinary folder, or an exFAT or FAT32
// drive, which ignores letter case, keeps coarser times and has no
// permission bits. The FAT32 drive takes ASCII names only.
class TestDrive {
 public:
  // False, with the reason, when this machine cannot provide the drive.
  static bool available(DriveKind kind, std::string& why);
  explicit TestDrive(DriveKind kind);

  std::filesystem::path root() const;
  // Unplugged and plugged in again: later runs see only what the drive stores.
  void replug();
  // How far a file time may move on its way onto the drive.
  std::int64_t timeTolerance() const { return fuse_ ? 2 : 0; }
  // Whether names beyond ASCII can be stored.
  bool takesAnyName() const { return !fuse_ || fuse_->fs() != FuseFs::Fat32; }
  FuseMount* fuse() const { return fuse_.get(); }

 private:
  std::optional<TempDir> folder_;
  std::unique_ptr<FuseMount> fuse_;
};

// A test run with the USB folders in an ordinary folder and on each stick
// file system; skipped where the machine cannot provide the drive.
class OnEachDrive : public ::testing::TestWithParam<DriveKind> {
 protected:
  void SetUp() override {
    std::string why;
    if (!TestDrive::available(GetParam(), why)) GTEST_SKIP() << why;
    drive_ = std::make_unique<TestDrive>(GetParam());
  }
  std::filesystem::path onDrive(const std::string& name) const { return drive_->root() / name; }
  std::int64_t tolerance() const { return drive_->timeTolerance(); }
  // A file or folder name for a test on this drive: `name` where the drive
  // takes it, else `ascii`.
  std::string named(const std::string& name, const std::string& ascii) const {
    return drive_->takesAnyName() ? name : ascii;
  }

  std::unique_ptr<TestDrive> drive_;
};

// The name of a test's drive parameter.
inline std::string DriveName(const ::testing::TestParamInfo<DriveKind>& info) {
  switch (info.param) {
    case DriveKind::Folder: return "Folder";
    case DriveKind::Exfat: return "Exfat";
    case DriveKind::Fat32: return "Fat32";
  }
  return "Unknown";
}

// Every kind of drive a whole-sync test runs on.
inline auto EachDrive() { return ::testing::Values(DriveKind::Folder, DriveKind::Exfat, DriveKind::Fat32); }

// The disk folder (a temporary folder) and the USB folder of one job.
struct Pair {
  explicit Pair(std::filesystem::path usbFolder, std::int64_t timeTolerance = 0);
  TempDir disk;
  std::filesystem::path usb;
  std::int64_t tolerance;
  bool usbAsDriveRoot = false;  // configured as a drive root is: with a trailing delimiter
  std::string d() const { return disk.str() + PathDelim; }
  std::string u() const { return usb.string() + PathDelim; }
  TJobSettings settings(int sameNewer = 2, int targetOnly = 0) const;
  // What differs between the two trees; empty when they agree.
  std::string differences() const;
};

// The two sides of a forced run of kind: their folders and their roots as
// the log names them.
struct Sides {
  bool diskIsSource;
  std::filesystem::path source, target;
  std::string src, dst;
};
Sides sidesOf(const Pair& s, TSyncType kind);

}  // namespace testsupport
