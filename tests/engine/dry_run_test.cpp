// Dry runs on real folders: they change nothing on either side, and their
// lines are the lines of the run that follows them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/plan_preview.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

using Lines = std::vector<std::string>;

const std::string kAnalysing = timed("分析主监测文件夹...");

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

// The preview's lines of the plan, without the mark, and the run's lines of
// the plan, copies without their percentage: from after the analysis line
// to before the closing line.
Lines planLines(const Lines& all, bool preview) {
  Lines out;
  bool inPlan = false;
  for (std::size_t k = 0; k + 1 < all.size(); ++k) {
    // The old versions' line names the folder of the run's own start
    // time: no preview can foresee it.
    if (inPlan && !(!preview && all[k].find("的旧版本共") != std::string::npos)) {
      std::string line = preview ? WithoutPreviewMark(all[k]) : all[k];
      if (!preview && line.size() > 1 && line.back() == '%') line.erase(line.rfind(' '));
      out.push_back(line);
    }
    if (all[k] == kAnalysing) inPlan = true;
  }
  return out;
}

Lines upTo(const Lines& all, const std::string& last) {
  Lines out;
  for (const std::string& line : all) {
    out.push_back(line);
    if (line == last) break;
  }
  return out;
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
  settings.DFolderPath = s.disk.str() + "/missing";
  JobHarness preview;
  preview.dryRun = true;
  preview.run(TSyncType::AutoSync, settings);
  EXPECT_EQ(preview.outcome().End, TJobEnd::Failed);
  ASSERT_FALSE(preview.lines().empty());
  EXPECT_NE(preview.lines().back().find("同步失败："), std::string::npos) << preview.lines().back();
}

INSTANTIATE_TEST_SUITE_P(Drives, DryRun, EachDrive(), DriveName);

// A linked folder that only the target holds: the run removes the link and
// nothing behind it, and so says the preview. A pipe that the walk does not
// list stands where a file would go: the run leaves it, with an error.
TEST(DryRunLinks, ALinkedFolderIsForetoldAsOneFolderDeletedAndAPipeAsAnError) {
  TempDir elsewhere, drive;
  put(elsewhere.path(), "precious.txt", "keep me", kT0);
  Pair s(drive.path() / "usb");
  put(s.disk.path(), "a.txt", "a", kT0 + 10);
  put(s.disk.path(), "pipe", "a file here", kT0 + 10);
  makeFifo(s.usb / "pipe");
  fs::create_symlink(elsewhere.path(), s.usb / "link");
  const ExactSnapshot outside = exactSnapshot(elsewhere.path());

  JobHarness preview;
  preview.dryRun = true;
  preview.run(TSyncType::DiskSync, s.settings(2, 0));
  const Lines plan = planLines(preview.lines(), true);
  const Lines expected = {
      timed("被同步文件夹需要复制的文件共2个"),
      timed("复制文件" + s.d() + "a.txt到" + s.u() + "a.txt"),
      timed("被同步文件夹需要删除的文件夹共1个"),
      timed("被同步文件夹删除文件夹" + s.u() + "link"),
      "同步出错，请检查",
      "1、该文件在同步期间被改动，未覆盖，请检查：" + s.u() + "pipe",
  };
  EXPECT_EQ(plan, expected);

  JobHarness run;
  run.run(TSyncType::DiskSync, s.settings(2, 0));
  EXPECT_EQ(planLines(run.lines(), false), expected);
  EXPECT_FALSE(fs::exists(fs::symlink_status(s.usb / "link")));
  EXPECT_EQ(exactDifferences(outside, exactSnapshot(elsewhere.path())), "");
}
