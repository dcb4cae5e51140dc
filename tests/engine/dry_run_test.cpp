// Dry runs on real folders: they change nothing on either side, and their
// lines are the lines of the run that follows them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/plan_preview.h"
#include "tests/engine/dry_run_lines.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// A tree pair that needs every kind of step under every strategy.
void everyKindOfWork(const fs::path& source, const fs::path& target) {
  put(source, "keep.txt", "same", kT0);
  put(source, "upd.txt", "new content", kT0 + 100);
  put(source, "ren_new.txt", "renamed", kT0 + 50);
  put(source, "moved/m.txt", "moved", kT0 + 60);
  put(source, "newdir/deeper/n.txt", "n", kT0 + 70);
  put(source, "newer_on_target.txt", "v1", kT0);
  // Another spelling of a target-only name: one file where the drive
  // ignores letter case, two where it does not.
  put(source, "Readme.txt", "read me, the longer text", kT0 + 80);

  put(target, "keep.txt", "same", kT0);
  put(target, "upd.txt", "old", kT0);
  put(target, "ren_old.txt", "renamed", kT0 + 50);
  put(target, "m.txt", "moved", kT0 + 60);
  put(target, "newer_on_target.txt", "v2-longer", kT0 + 200);
  put(target, "README.TXT", "read me", kT0);
  put(target, "extra.txt", "x", kT0);
  put(target, "extradir/sub/e.txt", "e", kT0);
  put(target, "ro.txt", "read-only", kT0);
  std::error_code ignored;
  fs::permissions(target / "ro.txt", fs::perms::owner_read, ignored);
  // A leftover of a copy cut off by a crash: a real run removes it.
  put(target, ".~drovan-tmp-3039-dead-1", "partial", kT0);
  put(source, "newdir/.~drovan-tmp-3039-dead-2", "partial", kT0);
}

class DryRun : public OnEachDrive {};

}  // namespace

TEST_P(DryRun, ChangesNothingAndForetellsTheRunsLinesUnderEveryStrategy) {
  for (TSyncType kind : {TSyncType::DiskSync, TSyncType::USync, TSyncType::AutoSync}) {
    for (int sameNewer : {0, 1, 2}) {
      for (int targetOnly : {0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind) << " strategies " << sameNewer << "/"
                                        << targetOnly);
        Pair s(onDrive("run" + std::to_string(static_cast<int>(kind)) + std::to_string(sameNewer) +
                       std::to_string(targetOnly)),
               tolerance());
        // The automatic mode takes the side of the newest file, here the
        // USB folder: the preview must decide as the run does.
        const bool diskIsSource = kind != TSyncType::USync;
        everyKindOfWork(diskIsSource ? s.disk.path() : s.usb, diskIsSource ? s.usb : s.disk.path());
        const ExactSnapshot disk = exactSnapshot(s.disk.path()), usb = exactSnapshot(s.usb);

        JobHarness preview;
        preview.dryRun = true;
        preview.run(kind, s.settings(sameNewer, targetOnly));
        EXPECT_EQ(exactDifferences(disk, exactSnapshot(s.disk.path())), "");
        EXPECT_EQ(exactDifferences(usb, exactSnapshot(s.usb)), "");
        const Lines shown = preview.lines();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), timed(std::string(kPreviewMark) + "预览结束，未做任何更改，用时0秒"));
        const TJobOutcome previewed = preview.outcome();
        EXPECT_EQ(previewed.End, TJobEnd::Previewed);
        EXPECT_EQ(previewed.Done.Items(), 0);
        EXPECT_TRUE(previewed.Errors.empty());
        // Every line after the decision is marked.
        const Lines plan = planLines(shown, true);
        for (std::size_t k = upTo(shown, kAnalysing).size(); k < shown.size(); ++k)
          EXPECT_NE(shown[k].find(kPreviewMark), std::string::npos) << shown[k];

        JobHarness run;
        run.run(kind, s.settings(sameNewer, targetOnly));
        const Lines done = run.lines();
        EXPECT_EQ(upTo(shown, kAnalysing), upTo(done, kAnalysing));
        EXPECT_EQ(plan, planLines(done, false));
        EXPECT_FALSE(plan.empty());
        EXPECT_EQ(run.outcome().End, TJobEnd::Done);
        const TJobWork& a = previewed.Planned;
        const TJobWork& b = run.outcome().Planned;
        EXPECT_EQ(a.Items(), b.Items());
        EXPECT_EQ(a.Copies(), b.Copies());
        EXPECT_EQ(a.CopyBytes, b.CopyBytes);
      }
    }
  }
}

TEST_P(DryRun, FoldersInStepEndAsARunInStepDoes) {
  Pair s(onDrive("instep"), tolerance());
  put(s.disk.path(), "a.txt", "a", kT0);
  put(s.usb, "a.txt", "a", kT0);
  JobHarness preview;
  preview.dryRun = true;
  preview.run(TSyncType::AutoSync, s.settings());
  expectNothingDone(preview);
  EXPECT_EQ(preview.outcome().End, TJobEnd::InStep);
}

TEST_P(DryRun, AFailureEndsItAsItEndsARun) {
  Pair s(onDrive("gone"), tolerance());
  TJobSettings settings = s.settings();
  settings.DFolderPath = s.disk.str() + PathDelim + "missing";
  JobHarness preview;
  preview.dryRun = true;
  preview.run(TSyncType::AutoSync, settings);
  EXPECT_EQ(preview.outcome().End, TJobEnd::Failed);
  ASSERT_FALSE(preview.lines().empty());
  EXPECT_NE(preview.lines().back().find("同步失败："), std::string::npos) << preview.lines().back();
}

INSTANTIATE_TEST_SUITE_P(Drives, DryRun, EachDrive(), DriveName);
