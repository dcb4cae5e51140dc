// drovan-sync --dry-run on real trees: nothing changes, to the nanosecond
// and the permission bit, and the lines are those of the run that follows.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "engine/plan_preview.h"
#include "tests/support/file_times.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using testsupport::exactDifferences;
using testsupport::exactSnapshot;
using testsupport::ProcessResult;
using testsupport::runProcess;
using testsupport::setMTime;
using testsupport::TempDir;

namespace {

const std::string kProgram = DROVAN_SYNC_BINARY;
const std::int64_t kT0 = 1'600'000'000;
const std::string kMark = kPreviewMark;

// Stamps masked; with preview, the mark removed; without, a copy's
// percentage removed.
std::vector<std::string> lines(const std::string& out, bool preview) {
  static const std::regex stamp(R"(^\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{2}:\d{2})");
  static const std::regex percent(R"( \d+%$)");
  std::vector<std::string> result;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    // The old versions' line names the folder of the run's own start time:
    // no preview can foresee it.
    if (!preview && line.find("的旧版本共") != std::string::npos) continue;
    line = std::regex_replace(line, stamp, "T");
    line = preview ? WithoutPreviewMark(line) : std::regex_replace(line, percent, "");
    result.push_back(line);
  }
  return result;
}

struct Trees {
  TempDir disk, usb;
  ProcessResult run(std::vector<std::string> extra) const {
    std::vector<std::string> args = {"--disk", disk.str(), "--usb", usb.str(), "--no-progress"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runProcess(kProgram, args);
  }
};

void write(const TempDir& root, const std::string& rel, const std::string& data, std::int64_t time) {
  setMTime(root.write(rel, data), time);
}

}  // namespace

TEST(DrovanSyncDryRun, ChangesNothingAndPrintsTheLinesOfTheRunThatFollows) {
  for (const char* targetOnly : {"0", "2"}) {
    SCOPED_TRACE(targetOnly);
    Trees t;
    write(t.disk, "upd.txt", "new content", kT0 + 100);
    write(t.disk, "new/deep/n.txt", "n", kT0 + 70);
    write(t.disk, "renamed.txt", "same bytes", kT0 + 5);
    write(t.disk, "older.txt", "v1", kT0);
    write(t.usb, "upd.txt", "old", kT0);
    write(t.usb, "was.txt", "same bytes", kT0 + 5);
    write(t.usb, "older.txt", "v2, newer", kT0 + 50);
    write(t.usb, "gone/g.txt", "g", kT0);
    write(t.usb, "ro.txt", "read-only", kT0);
    fs::permissions(t.usb.path() / "ro.txt", fs::perms::owner_read);
    // A crashed copy's leftover, which a real run's walk removes.
    write(t.usb, ".~drovan-tmp-3039-dead-1", "partial", kT0);
    const auto disk = exactSnapshot(t.disk.path()), usb = exactSnapshot(t.usb.path());

    const ProcessResult preview = t.run({"--dry-run", "--mode", "disk-to-usb", "--target-only", targetOnly});
    EXPECT_EQ(preview.exitStatus, 0) << preview.err;
    EXPECT_EQ(preview.err, "");
    EXPECT_EQ(exactDifferences(disk, exactSnapshot(t.disk.path())), "");
    EXPECT_EQ(exactDifferences(usb, exactSnapshot(t.usb.path())), "");

    const auto marked = lines(preview.out, false);
    ASSERT_GT(marked.size(), 6u);
    EXPECT_EQ(marked.back(), "T  " + kMark + "预览结束，未做任何更改，用时0秒");
    for (std::size_t k = 5; k < marked.size(); ++k) EXPECT_NE(marked[k].find(kMark), std::string::npos) << marked[k];

    const ProcessResult run = t.run({"--mode", "disk-to-usb", "--target-only", targetOnly});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    std::vector<std::string> foretold = lines(preview.out, true), done = lines(run.out, false);
    foretold.pop_back();
    done.pop_back();  // the closing lines differ
    EXPECT_EQ(foretold, done);
    EXPECT_GT(done.size(), 12u);
    EXPECT_FALSE(fs::exists(t.usb.path() / ".~drovan-tmp-3039-dead-1"));
  }
}

TEST(DrovanSyncDryRun, FailsAsTheRunWould) {
  Trees t;
  const ProcessResult r = runProcess(kProgram, {"--disk", t.disk.str() + "/gone", "--usb", t.usb.str(), "--dry-run"});
  EXPECT_EQ(r.exitStatus, 2);
  const auto shown = lines(r.out, false);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().rfind("T  同步失败：", 0), 0u) << shown.back();
}

TEST(DrovanSyncDryRun, FoldersInStepArePrintedAsInStep) {
  Trees t;
  write(t.disk, "a.txt", "a", kT0);
  write(t.usb, "a.txt", "a", kT0);
  const ProcessResult r = t.run({"--dry-run"});
  EXPECT_EQ(r.exitStatus, 0);
  const auto shown = lines(r.out, false);
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[shown.size() - 2], "T  硬盘监测文件夹与U盘监测文件夹已同步，无需更新！");
  EXPECT_EQ(r.out.find(kMark), std::string::npos);
}
