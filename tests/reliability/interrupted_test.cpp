// A synchronisation killed (SIGKILL) or stopped (SIGINT) at random moments:
// whatever moment it is, every file on both sides is one whole version of
// itself, nothing the source held is lost, a stop ends with the stop line
// and removes the cancelled copy's temporary file at once, and the next run
// finishes the work, leaving exactly what an uninterrupted run leaves. Old
// versions are kept (the default): no content of either side is ever gone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <random>
#include <set>
#include <thread>

#include "tests/reliability/reliability.h"
#include "tests/support/sync_pair.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/test_mounts.h"

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::ChildProcess;
using testsupport::ProcessResult;
using Clock = std::chrono::steady_clock;

namespace {

struct Mode {
  const char* name;
  std::vector<std::string> options;
  bool diskIsSource;
};

// Both directions, and between them every strategy that writes: newer
// target files copied back or overwritten, target-only files deleted or
// copied back.
const Mode kModes[] = {
    {"disk-to-usb", {"--mode", "disk-to-usb", "--same-newer", "2", "--target-only", "0", "--no-progress", "--yes"}, true},
    {"usb-to-disk", {"--mode", "usb-to-disk", "--same-newer", "0", "--target-only", "2", "--no-progress", "--yes"}, false},
};

std::vector<std::string> argsFor(const fs::path& disk, const fs::path& usb, const Mode& mode) {
  std::vector<std::string> args = {"--disk", disk.string(), "--usb", usb.string()};
  args.insert(args.end(), mode.options.begin(), mode.options.end());
  return args;
}

// Whether a copy's temporary file exists below root right now; the tree
// changes meanwhile, so errors only end the look.
bool copyUnderWay(const fs::path& root) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->path().filename().string().rfind(".~drovan-tmp-", 0) == 0) return true;
  }
  return false;
}

void shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string shellQuoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The pair of the bench runs: a tree of the shared generator on the USB
// side, and on the disk side the same tree after one of its change sets.
void makeMktreePair(const fs::path& disk, const fs::path& usb) {
  const std::string python = "python3 " + shellQuoted(mktreeScript());
  const std::string seed = std::to_string(baseSeed());
  shell(python + " gen " + shellQuoted(usb) + " -n " + std::to_string(setting("DROVAN_RELIABILITY_FILES", 5000)) +
        " --seed " + seed + " --large-files 2 --large-mib 16 >/dev/null");
  fs::remove(disk);
  shell("cp -a " + shellQuoted(usb) + " " + shellQuoted(disk));
  shell(python + " mutate " + shellQuoted(disk) + " --seed " + seed + " -p 5 --add-dirs 20 --remove-dirs 5 >/dev/null");
}

// One pair of trees per trial, all made from the same seed.
struct Trees {
  fs::path disk, usb;
  Trees(const fs::path& scratch, int trial) {
    const fs::path base = scratch / ("trial-" + std::to_string(trial));
    disk = base / "disk";
    usb = base / "usb";
    fs::create_directories(disk);
    fs::create_directories(usb);
    if (!mktreeScript().empty()) {
      // Made once, then copied with its times for every trial.
      const fs::path pristine = scratch / "pristine";
      if (!fs::exists(pristine / "usb")) {
        fs::create_directories(pristine / "disk");
        makeMktreePair(pristine / "disk", pristine / "usb");
      }
      fs::remove(disk);
      fs::remove(usb);
      shell("cp -a " + shellQuoted(pristine / "disk") + " " + shellQuoted(disk));
      shell("cp -a " + shellQuoted(pristine / "usb") + " " + shellQuoted(usb));
      return;
    }
    const std::uint64_t scale = setting("DROVAN_RELIABILITY_SCALE", 1);
    testsupport::PairShape shape;
    shape.commonFiles *= static_cast<int>(scale);
    shape.diskNewer *= static_cast<int>(scale);
    shape.diskOnly *= static_cast<int>(scale);
    shape.usbOnly *= static_cast<int>(scale);
    shape.largeBytes *= scale;
    testsupport::makeSyncPair(disk, usb, baseSeed(), shape);
  }
  ~Trees() {
    std::error_code ec;
    fs::remove_all(disk.parent_path(), ec);
  }
};

// What an uninterrupted run of a mode starts from and leaves, and how long
// its work (from the signal handlers' installation to its end) took.
struct Baseline {
  TreeSnapshot disk, usb, doneDisk, doneUsb;
  std::chrono::microseconds work{0};
};

class Interrupted : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int m = 0; m < 2; ++m) {
      Trees trees(scratch.path(), -1 - m);
      Baseline& b = baselines[m];
      b.disk = filesOf(trees.disk);
      b.usb = filesOf(trees.usb);
      ChildProcess child(syncProgram(), argsFor(trees.disk, trees.usb, kModes[m]));
      ASSERT_TRUE(child.waitUntilCatching(SIGINT, std::chrono::seconds(60)));
      const auto start = Clock::now();
      const ProcessResult r = child.wait(std::chrono::seconds(120));
      b.work = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
      ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;
      b.doneDisk = filesOf(trees.disk);
      b.doneUsb = filesOf(trees.usb);
      // An uninterrupted run leaves the two sides equal.
      ASSERT_EQ(describe(sameTree(b.doneUsb, b.doneDisk, figures)), "0 problem(s)") << kModes[m].name;
    }
  }

  // Starts a run, waits until it can be stopped, then lets it work for a
  // random time or until a copy is under way, and sends sig.
  ProcessResult interrupt(const Trees& trees, const Mode& mode, const Baseline& b, int sig, bool atACopy,
                          std::mt19937_64& rng) {
    ChildProcess child(syncProgram(), argsFor(trees.disk, trees.usb, mode));
    if (!child.waitUntilCatching(SIGINT, std::chrono::seconds(60))) {
      const ProcessResult r = child.wait(std::chrono::seconds(60));
      ADD_FAILURE() << "the run never installed its signal handlers: status " << r.exitStatus << "\n"
                    << r.out.substr(0, 2000) << "\n" << r.err.substr(0, 2000);
      return r;
    }
    const auto work = std::max<std::int64_t>(b.work.count(), 1000);
    if (atACopy) {
      const auto deadline = Clock::now() + std::chrono::microseconds(2 * work);
      while (Clock::now() < deadline && !copyUnderWay(trees.usb) && !copyUnderWay(trees.disk)) {
      }
      std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
    } else {
      // The calibration run is the slowest (cold caches): most moments fall
      // inside the work when drawn from its first three quarters.
      std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(rng() % (work * 3 / 4))));
    }
    child.signal(sig);
    return child.wait(std::chrono::seconds(60));
  }

  // Both sides hold whole versions only, and nothing was lost that must stay.
  void expectWholeAndNothingLost(const Trees& trees, const Mode& mode, const Baseline& b) {
    const TreeSnapshot disk = filesOf(trees.disk), usb = filesOf(trees.usb);
    EXPECT_EQ(describe(wholeVersions(disk, {&b.disk, &b.usb}, figures)), "0 problem(s)") << "disk side";
    EXPECT_EQ(describe(wholeVersions(usb, {&b.usb, &b.disk}, figures)), "0 problem(s)") << "usb side";
    // The source is never deleted from; on the target only what the source
    // lacks may go (deleted, or renamed to the source's name).
    const TreeSnapshot& sourceNow = mode.diskIsSource ? disk : usb;
    const TreeSnapshot& sourceBefore = mode.diskIsSource ? b.disk : b.usb;
    const TreeSnapshot& targetNow = mode.diskIsSource ? usb : disk;
    const TreeSnapshot& targetBefore = mode.diskIsSource ? b.usb : b.disk;
    EXPECT_EQ(describe(missing(sourceNow, sourceBefore)), "0 problem(s)") << "source side";
    TreeSnapshot mustStay;
    for (const auto& [path, state] : targetBefore)
      if (sourceBefore.count(path)) mustStay.emplace(path, state);
    EXPECT_EQ(describe(missing(targetNow, mustStay)), "0 problem(s)") << "target side";
  }

  // With old versions kept, no content either side held before the run is
  // gone from that side, whatever the moment: a file is under its old name,
  // under another name (renamed), or in the versions folder.
  void expectEveryOldContentKept(const Trees& trees, const Baseline& b) {
    for (const auto& [root, before] : {std::pair{&trees.disk, &b.disk}, std::pair{&trees.usb, &b.usb}}) {
      std::set<std::string> contents;
      for (const auto& [path, state] : testsupport::snapshot(*root))
        if (!state.folder) contents.insert(state.content);
      std::size_t lost = 0;
      std::string first;
      for (const auto& [path, state] : *before) {
        if (state.folder || contents.count(state.content)) continue;
        if (lost++ == 0) first = path;
      }
      EXPECT_EQ(lost, 0u) << "contents gone from " << root->string() << ", the first at " << first;
    }
  }

  // The next run completes and leaves what an uninterrupted one leaves; its
  // walk has removed every temporary file.
  void expectRerunFinishes(const Trees& trees, const Mode& mode, const Baseline& b) {
    const ProcessResult again = testsupport::runProcess(syncProgram(), argsFor(trees.disk, trees.usb, mode));
    EXPECT_EQ(again.exitStatus, 0) << again.out << again.err;
    const auto out = lines(again.out);
    ASSERT_FALSE(out.empty());
    EXPECT_TRUE(isClosingLine(out.back())) << out.back();
    EXPECT_EQ(tempFilesIn(trees.disk) + tempFilesIn(trees.usb), 0u);
    EXPECT_EQ(describe(sameTree(filesOf(trees.disk), b.doneDisk, figures)), "0 problem(s)") << "disk after rerun";
    EXPECT_EQ(describe(sameTree(filesOf(trees.usb), b.doneUsb, figures)), "0 problem(s)") << "usb after rerun";
  }

  testsupport::ScratchSpace scratch{setting("DROVAN_RELIABILITY_SCRATCH_MIB", 512) << 20};
  Baseline baselines[2];
  Figures figures;
};

}  // namespace

TEST_F(Interrupted, KilledAtRandomMomentsLeavesOnlyWholeFiles) {
  std::mt19937_64 rng(baseSeed() ^ 0x6b696c6cULL);
  // Trials go on until that many runs were really killed (a signal may come
  // after the end), with a bound.
  const int trials = trialCount(30);
  int killed = 0;
  for (int trial = 0; killed < trials && trial < 2 * trials; ++trial) {
    const int m = trial % 2;
    SCOPED_TRACE(std::string("trial ") + std::to_string(trial) + ", " + kModes[m].name);
    Trees trees(scratch.path(), trial);
    const ProcessResult r = interrupt(trees, kModes[m], baselines[m], SIGKILL, trial % 4 >= 2, rng);
    // Killed, unless the run had already finished.
    EXPECT_TRUE(r.exitStatus == 128 + SIGKILL || r.exitStatus == 0) << r.exitStatus;
    if (r.exitStatus == 128 + SIGKILL) ++killed;
    const std::size_t temps = tempFilesIn(trees.disk) + tempFilesIn(trees.usb);
    figures.leftoverTemps += temps;
    if (temps > 0) ++figures.hitACopy;
    expectWholeAndNothingLost(trees, kModes[m], baselines[m]);
    expectEveryOldContentKept(trees, baselines[m]);
    expectRerunFinishes(trees, kModes[m], baselines[m]);
    ++figures.trials;
    if (HasFailure()) break;
  }
  figures.print("killed mid-run (" + std::to_string(killed) + " killed, the rest after their end)");
  EXPECT_GE(killed, trials);
}

TEST_F(Interrupted, StoppedAtRandomMomentsEndsWithTheStopLineAndNoTemporaryFile) {
  std::mt19937_64 rng(baseSeed() ^ 0x73746f70ULL);
  const int trials = trialCount(30);
  int stopped = 0;
  for (int trial = 0; stopped < trials && trial < 2 * trials; ++trial) {
    const int m = trial % 2;
    SCOPED_TRACE(std::string("trial ") + std::to_string(trial) + ", " + kModes[m].name);
    Trees trees(scratch.path(), trial);
    const ProcessResult r = interrupt(trees, kModes[m], baselines[m], SIGINT, trial % 4 >= 2, rng);
    const auto out = lines(r.out);
    ASSERT_FALSE(out.empty()) << r.err;
    if (out.back() == kStopLine) {
      EXPECT_EQ(r.exitStatus, 130);
      ++stopped;
    } else {
      // The signal came after the job's last stop check: the run is complete.
      EXPECT_TRUE(isClosingLine(out.back())) << out.back();
      EXPECT_TRUE(r.exitStatus == 0 || r.exitStatus == 130) << r.exitStatus;
    }
    for (const std::string& line : out)
      if (isTimed(line, "停止同步")) ++figures.hitACopy;
    // The cancelled copy cleaned up after itself, before any later walk.
    EXPECT_EQ(tempFilesIn(trees.disk) + tempFilesIn(trees.usb), 0u);
    expectWholeAndNothingLost(trees, kModes[m], baselines[m]);
    expectRerunFinishes(trees, kModes[m], baselines[m]);
    ++figures.trials;
    if (HasFailure()) break;
  }
  figures.print("stopped mid-run (" + std::to_string(stopped) + " stopped, the rest too late)");
  EXPECT_GE(stopped, trials) << "too few signals reached a running job";
}

// The same on an exFAT drive, which has no hard links: an overwritten file
// is moved into the versions folder before its new content takes its name,
// so a kill between the two leaves it there.
TEST(InterruptedOnExfat, KilledAtRandomMomentsKeepsEveryOldContent) {
  std::string why;
  if (!testsupport::ExfatMount::available(why)) GTEST_SKIP() << why;
  testsupport::ExfatMount drive(256ull << 20);
  testsupport::ScratchSpace scratch(128ull << 20);
  std::mt19937_64 rng(baseSeed() ^ 0x65786661ULL);
  testsupport::PairShape shape;
  shape.fatSafeNames = true;
  shape.largeBytes = 2u << 20;
  const Mode& mode = kModes[0];  // onto the drive, newer drive files copied back
  const int trials = trialCount(30);
  int killed = 0;
  std::int64_t workMicros = 200'000;
  for (int trial = 0; killed < trials && trial < 2 * trials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const fs::path disk = scratch.path() / "disk", usb = drive.path() / "usb";
    std::error_code ec;
    fs::remove_all(disk, ec);
    fs::remove_all(usb, ec);
    fs::create_directories(disk);
    fs::create_directories(usb);
    testsupport::makeSyncPair(disk, usb, baseSeed() + static_cast<std::uint64_t>(trial), shape);
    Baseline before;
    before.disk = filesOf(disk);
    before.usb = filesOf(usb);
    ChildProcess child(syncProgram(), argsFor(disk, usb, mode));
    ASSERT_TRUE(child.waitUntilCatching(SIGINT, std::chrono::seconds(60)));
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(rng() % workMicros)));
    child.signal(SIGKILL);
    const ProcessResult r = child.wait(std::chrono::seconds(60));
    if (r.exitStatus == 128 + SIGKILL) {
      ++killed;
    } else {
      // It finished first: the next moments are drawn from its whole work.
      EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
      workMicros = std::max<std::int64_t>(
          1000, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
    }
    for (const auto& [root, old] : {std::pair{&disk, &before.disk}, std::pair{&usb, &before.usb}}) {
      std::set<std::string> contents;
      for (const auto& [path, state] : testsupport::snapshot(*root))
        if (!state.folder) contents.insert(state.content);
      for (const auto& [path, state] : *old) {
        if (!state.folder) {
          EXPECT_TRUE(contents.count(state.content)) << path << " gone from " << root->string();
        }
      }
    }
    const ProcessResult again = testsupport::runProcess(syncProgram(), argsFor(disk, usb, mode));
    EXPECT_EQ(again.exitStatus, 0) << again.out << again.err;
    if (HasFailure()) break;
  }
  EXPECT_GE(killed, trials);
}
