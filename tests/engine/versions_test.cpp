// Old versions: what a run deletes or overwrites, on either side, is in the
// side's versions folder afterwards, on an ordinary folder (hard links) and
// on an exFAT drive (none); the walk never lists the folder; retention by
// age and by share of the drive.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "engine/scanned_state.h"
#include "engine/version_store.h"
#include "platform/temp_names.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/native_path.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const std::string kRun = "2026-12-09 100000";  // the run start under the test clock

class Versions : public OnEachDrive {
 protected:
  static TJobSettings withVersions(TJobSettings s) {
    s.KeepVersions = true;
    return s;
  }
  static fs::path runFolder(const fs::path& root, const std::string& run = kRun) {
    return root / std::string(platform::kVersionsFolderName) / run;
  }
};

}  // namespace

TEST_P(Versions, EveryDeletionAndOverwriteOnTheTargetIsKept) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "upd.txt", "new update", kT0 + 100);
  put(s.usb, "upd.txt", "old update", kT0);
  put(s.disk.path(), "same.txt", "source's", kT0);
  put(s.usb, "same.txt", "target's newer", kT0 + 100);
  put(s.usb, "extra.txt", "target only", kT0);
  put(s.usb, "gone/inner/f.txt", "in a deleted folder", kT0);
  put(s.usb, "gone/skip.tmp", "left out by the filter", kT0);
  put(s.disk.path(), "keep.txt", "k", kT0);
  put(s.usb, "keep.txt", "k", kT0);
  TJobSettings settings = withVersions(s.settings(0, 0));
  settings.AllSync = false;
  settings.NoSyncFilesList = {"tmp"};

  JobHarness h;
  h.run(TSyncType::DiskSync, settings);
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2],
            timed("被删除或覆盖的文件的旧版本共5个，保存在" + runFolder(s.usb).string()));
  EXPECT_EQ(lines.back(), timed("手动同步结束，用时0秒"));

  const fs::path kept = runFolder(s.usb);
  EXPECT_EQ(readFile(kept / "upd.txt"), "old update");
  EXPECT_EQ(readFile(kept / "same.txt"), "target's newer");
  EXPECT_EQ(readFile(kept / "extra.txt"), "target only");
  EXPECT_EQ(readFile(kept / "gone/inner/f.txt"), "in a deleted folder");
  EXPECT_EQ(readFile(kept / "gone/skip.tmp"), "left out by the filter");
  EXPECT_FALSE(fs::exists(kept / "keep.txt"));
  // The target is what a run without versions leaves.
  EXPECT_EQ(readFile(s.usb / "upd.txt"), "new update");
  EXPECT_EQ(readFile(s.usb / "same.txt"), "source's");
  EXPECT_FALSE(fs::exists(s.usb / "extra.txt"));
  EXPECT_FALSE(fs::exists(s.usb / "gone"));
  EXPECT_FALSE(fs::exists(runFolder(s.disk.path()))) << "nothing on the source side was replaced";

  // The walk never lists the versions: the next run of either kind finds
  // the folders in step.
  for (TSyncType again : {TSyncType::AutoSync, TSyncType::USync}) {
    JobHarness next;
    next.run(again, settings);
    EXPECT_EQ(next.outcome().End, TJobEnd::InStep);
  }
}

TEST_P(Versions, OverwritesOnTheSourceSideAreKeptThere) {
  Pair s(onDrive("sync"), tolerance());
  put(s.disk.path(), "a.txt", "source's old", kT0);
  put(s.usb, "a.txt", "target's newer", kT0 + 100);
  put(s.usb, "back.txt", "copied back", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, withVersions(s.settings(2, 2)));
  EXPECT_EQ(readFile(s.disk.path() / "a.txt"), "target's newer");
  EXPECT_EQ(readFile(runFolder(s.disk.path()) / "a.txt"), "source's old");
  // A copy back that overwrote nothing keeps nothing.
  EXPECT_FALSE(fs::exists(runFolder(s.disk.path()) / "back.txt"));
  EXPECT_FALSE(fs::exists(runFolder(s.usb)));
  const auto lines = h.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2],
            timed("被删除或覆盖的文件的旧版本共1个，保存在" + runFolder(s.disk.path()).string()));
}

TEST_P(Versions, ARunOfTheSameSecondHasItsOwnFolderAndNothingIsOverwritten) {
  Pair s(onDrive("sync"), tolerance());
  put(s.usb, "x.txt", "first", kT0);
  JobHarness first;
  first.run(TSyncType::DiskSync, withVersions(s.settings()));
  put(s.usb, "x.txt", "second", kT0);
  JobHarness second;
  second.run(TSyncType::DiskSync, withVersions(s.settings()));
  EXPECT_EQ(readFile(runFolder(s.usb) / "x.txt"), "first");
  EXPECT_EQ(readFile(runFolder(s.usb, kRun + " (2)") / "x.txt"), "second");
}

TEST_P(Versions, WithoutVersionsNothingIsKept) {
  Pair s(onDrive("sync"), tolerance());
  put(s.usb, "x.txt", "gone for good", kT0);
  JobHarness h;
  h.run(TSyncType::DiskSync, s.settings());
  EXPECT_FALSE(fs::exists(s.usb / std::string(platform::kVersionsFolderName)));
  EXPECT_FALSE(fs::exists(s.usb / "x.txt"));
}

// A save that lands on a file while it is moved aside: the look right
// before the move keeps the file in place; the look at the moved file after
// it puts it back under its name; a new file that took the name meanwhile
// leaves the moved one kept.
TEST_P(Versions, ADiscardSeesASaveRightBeforeOrDuringTheMove) {
  const fs::path root = onDrive("store");
  fs::create_directories(root);
  put(root, "dir/a.txt", "saved", kT0);
  put(root, "dir/b.txt", "saved", kT0);
  put(root, "dir/c.txt", "saved", kT0);
  TVersionStore store(root.string() + PathDelim, kRun);
  const std::string a = (root / nativePath("dir/a.txt")).string();
  const std::string b = (root / nativePath("dir/b.txt")).string();
  const std::string c = (root / nativePath("dir/c.txt")).string();

  std::vector<std::string> asked;
  platform::OsStatus r = store.Discard(a, [&](const std::string& at) {
    asked.push_back(at);
    return false;  // changed before the move
  });
  EXPECT_EQ(r.code, ChangedSinceScanError());
  EXPECT_EQ(asked, std::vector<std::string>{a});
  EXPECT_EQ(readFile(root / "dir/a.txt"), "saved");

  r = store.Discard(b, [&](const std::string& at) { return at == b; });  // changed during it
  EXPECT_EQ(r.code, ChangedSinceScanError());
  EXPECT_EQ(readFile(root / "dir/b.txt"), "saved");
  EXPECT_FALSE(fs::exists(runFolder(root) / "dir/b.txt"));
  EXPECT_EQ(store.Kept(), 0);

  r = store.Discard(c, [&](const std::string& at) {
    if (at == c) return true;
    put(root, "dir/c.txt", "new file meanwhile", kT0);
    return false;
  });
  EXPECT_EQ(r.code, ChangedSinceScanError());
  EXPECT_EQ(readFile(root / "dir/c.txt"), "new file meanwhile");
  EXPECT_EQ(readFile(runFolder(root) / "dir/c.txt"), "saved");
  EXPECT_EQ(store.Kept(), 1);
}

TEST_P(Versions, TheStoreNumbersASecondFileOfOneNameAndPutsBackAMoveNotFollowedByAReplacement) {
  const fs::path root = onDrive("store");
  fs::create_directories(root);
  put(root, "dir/a.txt", "one", kT0);
  TVersionStore store(root.string() + PathDelim, kRun);
  ASSERT_TRUE(store.Discard((root / nativePath("dir/a.txt")).string()).ok());
  put(root, "dir/a.txt", "two", kT0);
  ASSERT_TRUE(store.Discard((root / nativePath("dir/a.txt")).string()).ok());
  EXPECT_EQ(readFile(runFolder(root) / "dir/a.txt"), "one");
  EXPECT_EQ(readFile(runFolder(root) / "dir/a (2).txt"), "two");
  EXPECT_EQ(store.Kept(), 2);
  // Two spellings of one name: on a drive that ignores case the second must
  // not land on the first.
  put(root, "dir/B.txt", "upper", kT0);
  ASSERT_TRUE(store.Discard((root / nativePath("dir/B.txt")).string()).ok());
  put(root, "dir/b.txt", "lower", kT0);
  ASSERT_TRUE(store.Discard((root / nativePath("dir/b.txt")).string()).ok());
  std::multiset<std::string> spellings;
  for (const auto& e : fs::directory_iterator(runFolder(root) / "dir"))
    if (e.path().filename().string().starts_with("b") || e.path().filename().string().starts_with("B"))
      spellings.insert(readFile(e.path()));
  EXPECT_EQ(spellings, (std::multiset<std::string>{"lower", "upper"}));
  EXPECT_EQ(store.Kept(), 4);

  put(root, "b.txt", "stays", kT0);
  ASSERT_TRUE(store.KeepBeforeReplace((root / "b.txt").string()).ok());
  EXPECT_EQ(readFile(runFolder(root) / "b.txt"), "stays");
  store.Settle(false);  // the replacement failed
  EXPECT_EQ(readFile(root / "b.txt"), "stays");
  EXPECT_EQ(store.Kept(), 4 + (fs::exists(runFolder(root) / "b.txt") ? 1 : 0))
      << "a hard link may stay; a moved file goes back";
  // Nothing at the name: nothing to keep.
  ASSERT_TRUE(store.KeepBeforeReplace((root / "none.txt").string()).ok());
  store.Settle(true);
  EXPECT_FALSE(fs::exists(runFolder(root) / "none.txt"));
}

TEST_P(Versions, TheKeepingTrustsOnlyTheLastLookAtTheSameName) {
  const fs::path root = onDrive("store");
  const std::string a = (root / "a.txt").string();
  const std::string b = (root / "b.txt").string();
  put(root, "a.txt", "a's old", kT0);
  put(root, "b.txt", "b's old", kT0);
  TVersionStore store(root.string() + PathDelim, kRun);
  // A look that found something, after one that found nothing: kept.
  store.Looked(a, true);
  store.Looked(a, false);
  ASSERT_TRUE(store.KeepBeforeReplace(a).ok());
  store.Settle(true);
  EXPECT_EQ(readFile(runFolder(root) / "a.txt"), "a's old");
  // A look at another name says nothing of this one: it looks itself.
  store.Looked(a, true);
  ASSERT_TRUE(store.KeepBeforeReplace(b).ok());
  store.Settle(true);
  EXPECT_EQ(readFile(runFolder(root) / "b.txt"), "b's old");
  // A look is used once: a second keeping of the name looks again.
  put(root, "c.txt", "c's old", kT0);
  const std::string c = (root / "c.txt").string();
  store.Looked(c, true);
  ASSERT_TRUE(store.KeepBeforeReplace(c).ok());
  store.Settle(true);
  EXPECT_FALSE(fs::exists(runFolder(root) / "c.txt")) << "trusted: nothing was there at the look";
  ASSERT_TRUE(store.KeepBeforeReplace(c).ok());
  store.Settle(true);
  EXPECT_EQ(readFile(runFolder(root) / "c.txt"), "c's old");
  // Prepare of a name the scan saw empty makes nothing; what is there by
  // the keeping is still kept.
  store.Prepare((root / "d.txt").string(), true);
  put(root, "d.txt", "d arrived", kT0);
  ASSERT_TRUE(store.KeepBeforeReplace((root / "d.txt").string()).ok());
  store.Settle(true);
  EXPECT_EQ(readFile(runFolder(root) / "d.txt"), "d arrived");
}

INSTANTIATE_TEST_SUITE_P(Drives, Versions, EachDrive(), DriveName);

TEST(VersionRetention, ARunPrunesBeforeItKeepsAndNeverItsOwnFolder) {
  const TempDir usbDrive;
  Pair s(usbDrive.path() / "usb");
  put(s.usb / std::string(platform::kVersionsFolderName) / "2020-01-01 000000", "ancient.txt", "a", kT0);
  put(s.usb, "x.txt", "kept now", kT0);
  TJobSettings settings = s.settings();
  settings.KeepVersions = true;
  settings.VersionDays = 1;
  JobHarness h;
  h.run(TSyncType::DiskSync, settings);
  const fs::path versions = s.usb / std::string(platform::kVersionsFolderName);
  EXPECT_FALSE(fs::exists(versions / "2020-01-01 000000"));
  EXPECT_EQ(readFile(versions / kRun / "x.txt"), "kept now");
}
