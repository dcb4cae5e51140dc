// The USB drive pulled in the middle of a synchronisation (its exFAT FUSE
// daemon killed): the run ends within bounds with its error or failure
// lines, never by a crash; a configuration file on another drive is
// untouched; plugged back in, the drive holds whole versions only and a
// rerun completes. A configuration save meeting a failing or vanishing drive
// at any step leaves the old file or the whole new one.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "config/pIniReg.h"
#include "platform/exceptions.h"
#include "tests/support/usb_machine.h"
#include "tests/reliability/reliability.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/nth_call_fault.h"
#include "tests/support/sync_pair.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::ChildProcess;
using testsupport::ExfatMount;
using testsupport::ProcessResult;
using Clock = std::chrono::steady_clock;

namespace {

bool tempFileBelow(const fs::path& root) {
  // The tree changes meanwhile: an error only ends the look.
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->path().filename().string().rfind(".~drovan-tmp-", 0) == 0) return true;
  return false;
}

// Files and folders below root, temporary files included.
std::size_t entriesBelow(const fs::path& root) {
  std::size_t n = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    ++n;
  return n;
}

// Entries of a folder, not recursive.
std::size_t entriesIn(const fs::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

// The settings a save writes in the fault sweeps.
void changeEverything(TOstiniFileAction& ini) {
  ini.SetUFolderPath("新/资料");
  ini.SetDFolderPath("/home/用户/新资料");
  ini.SetAllSync(false);
  ini.SyncFilesList().SetDelimitedText("doc;\"my doc\";xls");
  ini.NoSyncFilesList().SetDelimitedText("tmp");
  ini.SetWhenSyncedFolderHasNewSameFile(0);
  ini.SetWhenSyncedFolderHasNewFile(2);
}

const char kOldConfig[] =
    "[U盘]\n同步文件夹=旧\n[硬盘]\n00-1A-2B-3C-4D-5E=/home/旧\n0A-00-27-00-00-0C=/另一台\n[配置]\n全部监测=1\n";

}  // namespace

TEST(DrivePulled, TheRunEndsWithItsErrorsAndTheDriveKeepsWholeFiles) {
  std::string why;
  if (!ExfatMount::available(why)) GTEST_SKIP() << why;
  std::mt19937_64 rng(baseSeed() ^ 0x70756c6cULL);
  Figures figures;
  testsupport::TempDir other;  // the hard disk: the source and a configuration file
  const fs::path config = other.write("cfg/" + std::string(kConfigFileName), kOldConfig);
  testsupport::PairShape shape;
  shape.fatSafeNames = true;
  shape.largeFiles = 4;
  shape.largeBytes = 4u << 20;

  const int trials = trialCount(4);
  int pulled = 0, withErrorLines = 0, withFailureLine = 0;
  for (int trial = 0; trial < trials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    ExfatMount drive(96ull << 20);
    const fs::path disk = other.path() / ("disk" + std::to_string(trial)), usb = drive.path() / "同步";
    fs::create_directories(disk);
    fs::create_directories(usb);
    testsupport::makeSyncPair(disk, usb, baseSeed() + static_cast<std::uint64_t>(trial), shape);
    const TreeSnapshot oldDisk = filesOf(disk), oldUsb = filesOf(usb);
    // The source's older files overwrite newer ones on the drive: the hard
    // disk is only read.
    const std::vector<std::string> args = {"--disk", disk.string(),   "--usb",      usb.string(),
                                           "--mode", "disk-to-usb",   "--same-newer", "0",
                                           "--config", config.string(), "--no-progress", "--yes"};

    ChildProcess child(syncProgram(), args);
    ASSERT_TRUE(child.waitUntilCatching(SIGINT, std::chrono::seconds(60)));
    // Half the trials pull the drive during the first copy (an update), the
    // others once a random number of new files has arrived.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    if (trial % 2 == 0) {
      while (!tempFileBelow(usb) && Clock::now() < deadline) {
      }
      if (tempFileBelow(usb)) ++figures.hitACopy;
    } else {
      const std::size_t wanted = oldUsb.size() + 1 + rng() % 30;
      while (entriesBelow(usb) < wanted && Clock::now() < deadline) {
      }
    }
    drive.pull();
    const auto pulledAt = Clock::now();
    const ProcessResult r = child.wait(std::chrono::seconds(60));
    EXPECT_LT(Clock::now() - pulledAt, std::chrono::seconds(60)) << "the run hung on the pulled drive";

    const auto out = lines(r.out);
    ASSERT_FALSE(out.empty()) << r.err;
    if (r.exitStatus == 0) {
      EXPECT_TRUE(isClosingLine(out.back()));  // it was done before the pull
    } else {
      ++pulled;
      // Error lines and the closing line, or the job's failure line: never a
      // signal (a crash, or the kill after the bounded wait).
      ASSERT_TRUE(r.exitStatus == 1 || r.exitStatus == 2) << r.exitStatus << "\n" << r.out << r.err;
      ++(r.exitStatus == 1 ? withErrorLines : withFailureLine);
      if (r.exitStatus == 1) {
        EXPECT_NE(std::find(out.begin(), out.end(), kErrorHead), out.end());
        EXPECT_TRUE(isClosingLine(out.back())) << out.back();
      } else {
        EXPECT_EQ(untimed(out.back()).rfind("同步失败：", 0), 0u) << out.back();
      }
    }
    EXPECT_EQ(testsupport::readFile(config), kOldConfig);
    EXPECT_EQ(describe(sameTree(filesOf(disk), oldDisk, figures)), "0 problem(s)") << "the source changed";

    // Plugged back in: whole versions only, and a rerun finishes the work.
    drive.remount();
    EXPECT_EQ(describe(wholeVersions(filesOf(usb), {&oldUsb, &oldDisk}, figures)), "0 problem(s)");
    const ProcessResult again = testsupport::runProcess(syncProgram(), args);
    EXPECT_EQ(again.exitStatus, 0) << again.out;
    EXPECT_EQ(tempFilesIn(usb), 0u);
    EXPECT_EQ(describe(sameTree(filesOf(usb), oldDisk, figures)), "0 problem(s)");
    ++figures.trials;
    if (HasFailure()) break;
  }
  figures.print("drive pulled (" + std::to_string(pulled) + " runs cut short: " + std::to_string(withErrorLines) +
                " ended with error lines, " + std::to_string(withFailureLine) + " with the failure line)");
  EXPECT_GE(pulled * 2, figures.trials);
}

namespace {

// The whole new text of the configuration, from a save that nothing disturbs.
std::string undisturbedSaveText() {
  UsbMachine twin;
  twin.writeIni(kOldConfig);
  {
    TOstiniFileAction ini(twin.paths());
    changeEverything(ini);
    ini.SaveConfig();
  }
  return testsupport::readFile(twin.ini);
}

}  // namespace

TEST(DrivePulled, ConfigurationSaveFailingAtEveryStepKeepsTheOldFile) {
  const std::string newText = undisturbedSaveText();

  UsbMachine usb;
  int failures = 0;
  for (const int error : {EIO, ENOSPC, ENOTCONN, EROFS}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE("call " + std::to_string(n) + ", errno " + std::to_string(error));
      usb.writeIni(kOldConfig);
      TOstiniFileAction ini(usb.paths());
      changeEverything(ini);
      bool saved = true;
      bool fired = false;
      {
        testsupport::NthCallFault fault(n, error);
        try {
          ini.SaveConfig();
        } catch (const EIniFileException& e) {
          saved = false;
          EXPECT_EQ(std::string(e.what()), "Unable to write to " + usb.ini);
        }
        fired = fault.fired();
      }
      const std::string now = testsupport::readFile(usb.ini);
      if (saved) {
        EXPECT_EQ(now, newText);
      } else {
        ++failures;
        EXPECT_EQ(now, kOldConfig);
      }
      // Only the program and its configuration: no temporary file stays.
      EXPECT_EQ(entriesIn(fs::path(usb.ini).parent_path()), 2u);
      if (!fired || HasFailure()) break;
    }
  }
  std::cout << "[ figures  ] configuration save: " << failures << " failed saves checked" << std::endl;
  EXPECT_GE(failures, 4 * 4);
}

TEST(DrivePulled, ConfigurationSaveOntoAVanishingDriveLeavesOldOrNewWhole) {
  std::string why;
  if (!ExfatMount::available(why)) GTEST_SKIP() << why;
  ExfatMount drive(16ull << 20);
  UsbMachine machine;
  platform::MachinePaths paths = machine.paths();
  paths.configFile = (drive.path() / kConfigFileName).string();
  const std::string newText = undisturbedSaveText();
  int old = 0, whole = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("pulled at call " + std::to_string(n));
    {
      std::ofstream out(paths.configFile, std::ios::binary | std::ios::trunc);
      out << kOldConfig;
    }
    TOstiniFileAction ini(paths);
    changeEverything(ini);
    bool fired = false;
    {
      testsupport::NthCallFault fault(n, 0, [&] { drive.pull(); });
      try {
        ini.SaveConfig();
      } catch (const EIniFileException&) {
      }
      fired = fault.fired();
    }
    if (fired) drive.remount();
    const std::string now = testsupport::readFile(paths.configFile);
    if (now == kOldConfig) {
      ++old;
    } else {
      ++whole;
      EXPECT_EQ(now, newText);
    }
    if (!fired || HasFailure()) break;
  }
  std::cout << "[ figures  ] configuration save on a pulled drive: " << old << " kept the old file, " << whole
            << " the whole new one" << std::endl;
  EXPECT_GE(old, 1);
}
