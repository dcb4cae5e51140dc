// What the user changes while a run is under way: an entry that is no
// longer what the scan saw is neither replaced, deleted nor renamed, and a
// folder that gained something is not removed. Each case edits the target
// right after the scans, before the run changes anything.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/native_path.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

class ChangedDuringRun : public OnEachDrive {
 protected:
  void SetUp() override {
    OnEachDrive::SetUp();
    if (IsSkipped()) return;
    s_ = std::make_unique<Pair>(onDrive("sync"), tolerance());
  }
  Pair& s() { return *s_; }

  // Runs kind, calling edit once when the message whose text contains
  // `when` arrives (by default: the scans are over, nothing changed yet).
  static bool afterScans(const Recorded& r) { return r.text.find("分析主监测文件夹...") != std::string::npos; }
  static bool copyStarts(const Recorded& r) { return r.msg == WM_COPYSTART; }

  // Runs kind, calling edit once, at the first message that `when` accepts.
  static void run(JobHarness& h, TSyncType kind, const TJobSettings& settings, const std::function<void()>& edit,
                  bool (*when)(const Recorded&) = afterScans) {
    bool edited = false;
    h.onMessage = [&](const Recorded& r) {
      if (!edited && when(r)) {
        edited = true;
        edit();
      }
    };
    h.run(kind, settings);
    EXPECT_TRUE(edited);
  }

  std::unique_ptr<Pair> s_;
};

// The numbered error lines of a run, in order.
std::vector<std::string> errorLines(const JobHarness& h) {
  std::vector<std::string> errors;
  bool inSummary = false;
  for (const std::string& line : h.lines()) {
    if (line == "同步出错，请检查") inSummary = true;
    else if (inSummary && line.rfind(kStamp, 0) != 0 && !line.empty()) errors.push_back(line);
  }
  return errors;
}

bool anyLineHas(const JobHarness& h, const std::string& text) {
  for (const std::string& line : h.lines())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace

TEST_P(ChangedDuringRun, AFileSavedOnTheTargetIsNotReplaced) {
  put(s().disk.path(), "a.txt", "disk, newer", kT0 + 100);
  put(s().disk.path(), "b.txt", "disk, newer", kT0 + 100);
  put(s().usb, "a.txt", "stick, older", kT0);
  put(s().usb, "b.txt", "stick, older", kT0);
  JobHarness h;
  run(h, TSyncType::DiskSync, s().settings(2, 0), [&] {
    put(s().usb, "b.txt", "saved by the user just now", kT0 + 400);
  });
  EXPECT_EQ(readFile(s().usb / "a.txt"), "disk, newer");
  EXPECT_EQ(readFile(s().usb / "b.txt"), "saved by the user just now");
  EXPECT_EQ(errorLines(h), std::vector<std::string>{"1、该文件在同步期间被改动，未覆盖，请检查：" + s().u() + "b.txt"});
}

TEST_P(ChangedDuringRun, AFileSavedWhileItsOwnUpdateCopiesIsNotReplaced) {
  // The data has moved by then: the check right before the new file is put
  // in place catches it.
  put(s().disk.path(), "a.txt", "disk, newer", kT0 + 100);
  put(s().usb, "a.txt", "stick, older", kT0);
  JobHarness h;
  run(h, 
      TSyncType::DiskSync, s().settings(2, 0), [&] { put(s().usb, "a.txt", "saved meanwhile", kT0 + 400); },
      copyStarts);
  EXPECT_EQ(readFile(s().usb / "a.txt"), "saved meanwhile");
  EXPECT_EQ(errorLines(h), std::vector<std::string>{"1、该文件在同步期间被改动，未覆盖，请检查：" + s().u() + "a.txt"});
  EXPECT_EQ(countTempFiles(s().usb), 0u);
}

TEST_P(ChangedDuringRun, ANewFileInTheWayOfACopyIsNotReplaced) {
  put(s().disk.path(), "new.txt", "from the disk", kT0);
  JobHarness h;
  run(h, TSyncType::DiskSync, s().settings(2, 0), [&] {
    put(s().usb, "new.txt", "made on the stick meanwhile", kT0 + 10);
  });
  EXPECT_EQ(readFile(s().usb / "new.txt"), "made on the stick meanwhile");
  EXPECT_EQ(errorLines(h), std::vector<std::string>{"1、该文件在同步期间被改动，未覆盖，请检查：" + s().u() + "new.txt"});
}

TEST_P(ChangedDuringRun, AChangedTargetOnlyFileIsNotDeletedAndItsFolderStays) {
  put(s().disk.path(), "keep.txt", "k", kT0);
  put(s().usb, "keep.txt", "k", kT0);
  put(s().usb, "gone.txt", "old", kT0);
  put(s().usb, "edited.txt", "old", kT0);
  put(s().usb, "old/inside.txt", "old", kT0);
  put(s().usb, "old/edited.txt", "old", kT0);
  JobHarness h;
  run(h, TSyncType::DiskSync, s().settings(2, 0), [&] {
    put(s().usb, "edited.txt", "edited meanwhile", kT0 + 400);
    put(s().usb, "old/edited.txt", "edited meanwhile", kT0 + 400);
  });
  EXPECT_FALSE(fs::exists(s().usb / "gone.txt"));
  EXPECT_FALSE(fs::exists(s().usb / "old/inside.txt"));
  EXPECT_EQ(readFile(s().usb / "edited.txt"), "edited meanwhile");
  EXPECT_EQ(readFile(s().usb / "old/edited.txt"), "edited meanwhile");
  // The folder holding the kept file stays without a report of its own.
  EXPECT_EQ(errorLines(h), (std::vector<std::string>{
                               "1、该文件在同步期间被改动，未删除，请检查：" + s().u() + "edited.txt",
                               "2、该文件在同步期间被改动，未删除，请检查：" + s().u() + nativePath("old/edited.txt"),
                           }));
  EXPECT_FALSE(anyLineHas(h, "被同步文件夹删除文件" + s().u() + "edited.txt"));
}

TEST_P(ChangedDuringRun, AFolderThatGainedAFileIsKept) {
  put(s().usb, "old/a.txt", "old", kT0);
  put(s().usb, "old/deep/b.txt", "old", kT0);
  JobHarness h;
  run(h, TSyncType::DiskSync, s().settings(2, 0), [&] {
    put(s().usb, "old/deep/new.txt", "written meanwhile", kT0 + 400);
  });
  EXPECT_EQ(readFile(s().usb / "old/deep/new.txt"), "written meanwhile");
  EXPECT_FALSE(fs::exists(s().usb / "old/a.txt"));
  EXPECT_FALSE(fs::exists(s().usb / "old/deep/b.txt"));
  EXPECT_EQ(errorLines(h),
            std::vector<std::string>{"1、该文件夹在同步期间被改动，未删除，请检查：" + s().u() + nativePath("old/deep")});
}

TEST_P(ChangedDuringRun, FilesLeftOutByTheFilterGoWithTheirFolderUnlessTheyChanged) {
  put(s().usb, "plain/a.txt", "old", kT0);
  put(s().usb, "plain/left-out.bin", "old", kT0);
  put(s().usb, "touched/a.txt", "old", kT0);
  put(s().usb, "touched/left-out.bin", "old", kT0);
  TJobSettings settings = s().settings(2, 0);
  settings.AllSync = false;
  settings.NoSyncFilesList = {"bin"};
  JobHarness h;
  run(h, TSyncType::DiskSync, settings, [&] {
    put(s().usb, "touched/left-out.bin", "edited meanwhile", kT0 + 400);
  });
  EXPECT_FALSE(fs::exists(s().usb / "plain"));
  EXPECT_EQ(readFile(s().usb / "touched/left-out.bin"), "edited meanwhile");
  EXPECT_FALSE(fs::exists(s().usb / "touched/a.txt"));
  EXPECT_EQ(errorLines(h),
            std::vector<std::string>{"1、该文件夹在同步期间被改动，未删除，请检查：" + s().u() + "touched"});
}

TEST_P(ChangedDuringRun, AChangedRenameCandidateIsNotRenamed) {
  // Taken for a rename at the scan; edited before the rename. The source's
  // file is copied instead and the edited one is not deleted.
  put(s().disk.path(), "new-name.txt", "content", kT0 + 50);
  put(s().usb, "old-name.txt", "content", kT0 + 50);
  JobHarness h;
  run(h, TSyncType::DiskSync, s().settings(2, 0), [&] {
    put(s().usb, "old-name.txt", "edited meanwhile", kT0 + 400);
  });
  EXPECT_EQ(readFile(s().usb / "new-name.txt"), "content");
  EXPECT_EQ(readFile(s().usb / "old-name.txt"), "edited meanwhile");
  EXPECT_FALSE(anyLineHas(h, "修改文件名"));
  EXPECT_EQ(errorLines(h),
            std::vector<std::string>{"1、该文件在同步期间被改动，未删除，请检查：" + s().u() + "old-name.txt"});
}

TEST_P(ChangedDuringRun, ASourceFileEditedBeforeACopyBackIsNotReplaced) {
  // Newer on the target, copied back over the source: the source's file
  // changed meanwhile and is kept.
  put(s().disk.path(), "both.txt", "disk, older", kT0);
  put(s().usb, "both.txt", "stick, newer", kT0 + 100);
  JobHarness h;
  run(h, TSyncType::DiskSync, s().settings(2, 0), [&] {
    put(s().disk.path(), "both.txt", "edited on the disk meanwhile", kT0 + 400);
  });
  EXPECT_EQ(readFile(s().disk.path() / "both.txt"), "edited on the disk meanwhile");
  EXPECT_EQ(errorLines(h),
            std::vector<std::string>{"1、该文件在同步期间被改动，未覆盖，请检查：" + s().d() + "both.txt"});
}

TEST_P(ChangedDuringRun, UnchangedEntriesAreHandledAsBefore) {
  // The checks cost nothing to a run nobody interferes with: every kind of
  // change is made, with no error.
  put(s().disk.path(), "upd.txt", "new", kT0 + 100);
  put(s().disk.path(), "renamed.txt", "r", kT0 + 50);
  put(s().usb, "upd.txt", "old", kT0);
  put(s().usb, "was.txt", "r", kT0 + 50);
  put(s().usb, "extra/x.txt", "x", kT0);
  JobHarness h;
  run(h, TSyncType::DiskSync, s().settings(2, 0), [] {});
  EXPECT_TRUE(errorLines(h).empty());
  EXPECT_TRUE(s().differences().empty()) << s().differences();
}

INSTANTIATE_TEST_SUITE_P(Drives, ChangedDuringRun, EachDrive(), DriveName);
