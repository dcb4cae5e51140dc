// A user who keeps saving files on the stick while a run updates, deletes
// and renames there: whatever moment a save lands after the scan, the saved
// version survives (not replaced, not deleted, not renamed away, its folder
// not removed), new files written meanwhile stay, and every other file is a
// whole version of itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "tests/reliability/reliability.h"
#include "tests/support/sync_pair.h"
#include "tests/support/test_mounts.h"

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::ChildProcess;
using testsupport::ProcessResult;

namespace {

// Writes text over path in place, as an editor saves, with a time of now;
// false when the folder has gone.
bool save(const fs::path& path, const std::string& text) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    if (!out.flush()) return false;
  }
  return true;
}

}  // namespace

TEST(EditedDuringRun, SavesAfterTheScanAreNeverLost) {
  const int trials = trialCount(12);
  testsupport::ScratchSpace scratch(setting("DROVAN_RELIABILITY_SCRATCH_MIB", 512) << 20);
  std::mt19937_64 rng(baseSeed() ^ 0x65646974ULL);
  Figures figures;
  std::uint64_t saves = 0, newFiles = 0, reported = 0;
  for (int trial = 0; trial < trials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const fs::path disk = scratch.path() / "disk", usb = scratch.path() / "usb";
    fs::remove_all(disk);
    fs::remove_all(usb);
    fs::create_directories(disk);
    fs::create_directories(usb);
    testsupport::makeSyncPair(disk, usb, baseSeed() + static_cast<std::uint64_t>(trial));
    const TreeSnapshot diskBefore = filesOf(disk), usbBefore = filesOf(usb);
    std::vector<std::string> files, folders;
    for (const auto& [path, state] : usbBefore) (state.folder ? folders : files).push_back(path);
    folders.push_back("");

    // Every strategy that changes the stick: updates and newer files
    // overwritten, target-only files deleted, renames.
    ChildProcess child(syncProgram(), {"--disk", disk.string(), "--usb", usb.string(), "--mode", "disk-to-usb",
                                       "--same-newer", "0", "--target-only", "0", "--no-progress", "--yes"});
    std::atomic<bool> done{false};
    std::map<std::string, std::string> saved;  // path below usb: the last version saved
    std::thread user([&] {
      std::mt19937_64 pick(rng());
      // Before the scan ends a save is simply part of what the run finds.
      while (!done && child.outputSoFar().find("分析主监测文件夹...") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      for (int n = 0; !done; ++n) {
        std::string rel;
        if (n % 4 == 3) {
          const std::string& folder = folders[pick() % folders.size()];
          rel = (folder.empty() ? "" : folder + "/") + "saved-meanwhile-" + std::to_string(n) + ".txt";
        } else {
          rel = files[pick() % files.size()];
        }
        const std::string text = "saved by the user, version " + std::to_string(n);
        if (!save(usb / rel, text)) continue;
        if (!usbBefore.count(rel)) ++newFiles;
        saved[rel] = text;
        ++saves;
        std::this_thread::sleep_for(std::chrono::microseconds(pick() % 3000));
      }
    });
    const ProcessResult r = child.wait(std::chrono::seconds(120));
    done = true;
    user.join();

    EXPECT_TRUE(r.exitStatus == 0 || r.exitStatus == 1) << r.exitStatus << "\n" << r.err;
    for (const std::string& line : lines(r.out)) {
      EXPECT_EQ(line.find("同步失败"), std::string::npos) << line;
      if (line.find("同步期间被改动") != std::string::npos) ++reported;
    }
    TreeSnapshot now = filesOf(usb);
    std::vector<std::string> lost;
    for (const auto& [rel, text] : saved) {
      const auto it = now.find(rel);
      if (it == now.end() || it->second.content != text) lost.push_back(rel + ": the saved version is gone");
      if (it != now.end()) now.erase(it);
      figures.filesChecked += 1;
      figures.bytesCompared += text.size();
    }
    EXPECT_EQ(describe(lost), "0 problem(s)");
    EXPECT_EQ(describe(wholeVersions(now, {&usbBefore, &diskBefore}, figures)), "0 problem(s)");
    EXPECT_EQ(tempFilesIn(usb) + tempFilesIn(disk), 0u);
    ++figures.trials;
    if (HasFailure()) break;
  }
  figures.print("saved on the stick during the run");
  std::cout << "[ figures  ] " << saves << " saves (" << newFiles << " new files), " << reported
            << " steps left undone and reported" << std::endl;
  EXPECT_GT(reported, 0u) << "no save ever met a step of the run";
}
