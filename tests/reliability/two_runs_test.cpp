// Two runs on one pair of folders at once, the second started while the
// first copies, as a second automatic run from another window or stick
// would be: the second, even through other paths to the folders, starts
// nothing, and the first leaves both sides whole, with every new file on
// both. On ordinary folders and with the USB folder on a real exFAT drive.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "engine/job_folder_locks.h"
#include "tests/reliability/reliability.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::ChildProcess;
using testsupport::ProcessResult;

namespace {

constexpr std::int64_t kT0 = 1'600'000'000;  // an even second, for exFAT's times

bool copyUnderWay(const fs::path& root) { return tempFilesIn(root) > 0; }

// One trial: 30 new files on the disk side, older files of the USB side's
// own, a first automatic run and a second one started during its copy.
// fileBytes: large enough that a copy lasts long enough to be caught, even
// under a sanitizer; small enough for the drive.
void trial(const fs::path& disk, const fs::path& usb, const fs::path& usbByOtherPath, std::size_t fileBytes,
           Figures& figures, int& refusedMidCopy) {
  const std::string data(fileBytes, 'n');
  for (int i = 0; i < 30; ++i) {
    const fs::path file = disk / ("新文件" + std::to_string(i) + ".bin");
    std::ofstream(file, std::ios::binary) << data << i;
    testsupport::setMTime(file, kT0 + 100 + 2 * i);
  }
  for (int i = 0; i < 5; ++i) {
    const fs::path file = usb / ("旧" + std::to_string(i) + ".txt");
    std::ofstream(file) << "old " << i;
    testsupport::setMTime(file, kT0);
  }
  const TreeSnapshot before = filesOf(disk);

  ChildProcess first(syncProgram(), {"--disk", disk.string(), "--usb", usb.string(), "--no-progress"});
  // Held in the middle of a copy while the second runs, however fast the
  // copies go: stopped when a copy shows, let go again if that copy ended
  // just before.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool firstCopying = false;
  while (!firstCopying && std::chrono::steady_clock::now() < deadline) {
    if (!copyUnderWay(usb)) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      continue;
    }
    first.signal(SIGSTOP);
    firstCopying = copyUnderWay(usb);
    if (!firstCopying) first.signal(SIGCONT);
  }
  ProcessResult second;
  if (firstCopying)
    second = testsupport::runProcess(syncProgram(),
                                     {"--disk", disk.string(), "--usb", usbByOtherPath.string(), "--no-progress"});
  const bool firstStillCopying = copyUnderWay(usb);
  first.signal(SIGCONT);
  ASSERT_TRUE(firstCopying) << "the first run never copied";
  const ProcessResult r = first.wait();
  ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;
  if (firstStillCopying) ++refusedMidCopy;
  EXPECT_EQ(second.exitStatus, 2) << second.out;
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(second.err, kFolderInUseText + disk.string() + "\n");

  // The first run's result is the whole disk side on both, nothing lost.
  const TreeSnapshot diskAfter = filesOf(disk), usbAfter = filesOf(usb);
  EXPECT_EQ(describe(missing(diskAfter, before)), "0 problem(s)");
  EXPECT_EQ(describe(sameTree(usbAfter, diskAfter, figures)), "0 problem(s)");
  EXPECT_EQ(tempFilesIn(usb), 0u);
  ++figures.trials;
}

}  // namespace

TEST(TwoRuns, ASecondRunDuringACopyStartsNothingOnOrdinaryFolders) {
  Figures figures;
  int midCopy = 0;
  for (int t = 0; t < trialCount(3); ++t) {
    SCOPED_TRACE(t);
    testsupport::TempDir disk, usb, links;
    fs::create_directory_symlink(usb.path(), links.path() / "usb");
    trial(disk.path(), usb.path(), links.path() / "usb", 4u << 20, figures, midCopy);
  }
  figures.print("two runs at once");
  std::cout << "[ figures  ] second runs refused while the first still copied: " << midCopy << std::endl;
}

TEST(TwoRuns, ASecondRunDuringACopyStartsNothingOnAnExfatDrive) {
  std::string why;
  if (!testsupport::ExfatMount::available(why)) GTEST_SKIP() << why;
  Figures figures;
  int midCopy = 0;
  for (int t = 0; t < trialCount(3); ++t) {
    SCOPED_TRACE(t);
    testsupport::ExfatMount drive(128ull << 20);
    testsupport::TempDir disk;
    fs::create_directory(drive.path() / "Sync");
    // The drive ignores letter case: another spelling reaches the same folder.
    trial(disk.path(), drive.path() / "Sync", drive.path() / "SYNC", 1u << 20, figures, midCopy);
  }
  figures.print("two runs at once, exFAT");
  std::cout << "[ figures  ] second runs refused while the first still copied: " << midCopy << std::endl;
}
