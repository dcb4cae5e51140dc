// The preview's lines for plans made from inventories built in memory: no
// file system is touched, the probes are the test's own.
#include "engine/plan_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "inventory/MyGetFiles.h"
#include "inventory/file_store.h"
#include "tests/engine/memory_inventories.h"
#include "tests/support/native_path.h"

namespace {

using testsupport::nativePath;

const std::string& kSource = testsupport::kMemorySource;
const std::string& kTarget = testsupport::kMemoryTarget;
const std::string kStamp = "2026/12/9 10:00:00";
const std::string kMark = kPreviewMark;

std::string timed(const std::string& text) { return kStamp + "  " + kMark + text; }

class Preview : public testsupport::MemoryInventories {
 protected:
  const TSyncPlan& plan() {
    sourceList.Sort(kSource.size());
    targetList.Sort(kTarget.size());
    std::optional<TSyncPlan> p =
        PlanChanges(sourceList, targetList, comparer, kSource.size(), kTarget.size(), {},
                    [](const TFileInfo&, const TFileInfo&) { return true; }, stop);
    EXPECT_TRUE(p.has_value());
    plan_ = p ? std::move(*p) : TSyncPlan{};
    return plan_;
  }
  std::vector<std::string> lines(TNewerInTarget newer, TTargetOnly only, const TPreviewProbes& probes = {},
                                 std::vector<TUnreadFolder> unread = {}) {
    TPreviewSettings settings;
    settings.SourceRoot = kSource;
    settings.TargetRoot = kTarget;
    settings.NewerInTarget = newer;
    settings.TargetOnly = only;
    settings.Unread = std::move(unread);
    settings.Stamp = kStamp;
    return PreviewLines(plan(), settings, probes);
  }

  TSyncPlan plan_;
};

using Lines = std::vector<std::string>;

// A drive that ignores letter case: names that differ only in case lead to
// one entry.
std::string caseFolded(const std::string& path) {
  std::string out = path;
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

}  // namespace

TEST_F(Preview, EveryPhaseInTheRunsOrderWithItsPaths) {
  source("upd.txt", 30);
  target("upd.txt", 0);
  source("older.txt", 0);
  target("older.txt", 30);
  source("b/");
  source("a/");
  source("a/new.txt");
  source("renamed.txt", 9, 77);
  target("was.txt", 9, 77);
  target("extra.txt", 5, 50);
  target("x/");
  target("x/y/");
  target("x/y/z.txt", 6, 9);

  const Lines expected = {
      timed(nativePath("被同步文件夹修改文件名/media/usb/was.txt修改为/media/usb/renamed.txt")),
      timed("被同步文件夹需要更新的文件共1个"),
      timed(nativePath("更新文件/disk/upd.txt到/media/usb/upd.txt")),
      timed("被同步文件夹需要创建的文件夹共2个"),
      timed(nativePath("创建文件夹/media/usb/a")),
      timed(nativePath("创建文件夹/media/usb/b")),
      timed("被同步文件夹需要复制的文件共1个"),
      timed(nativePath("复制文件/disk/a/new.txt到/media/usb/a/new.txt")),
      timed("同步文件夹需要更新的文件共1个"),
      timed(nativePath("更新文件/disk/older.txt到/media/usb/older.txt")),
      timed("被同步文件夹需要删除的文件共2个"),
      timed(nativePath("被同步文件夹删除文件/media/usb/extra.txt")),
      timed(nativePath("被同步文件夹删除文件/media/usb/x/y/z.txt")),
      // Folders go deepest first.
      timed("被同步文件夹需要删除的文件夹共2个"),
      timed(nativePath("被同步文件夹删除文件夹/media/usb/x/y")),
      timed(nativePath("被同步文件夹删除文件夹/media/usb/x")),
  };
  EXPECT_EQ(lines(TNewerInTarget::Replace, TTargetOnly::Delete), expected);
}

TEST_F(Preview, EachStrategyForFilesNewerInTheTargetAndForTargetOnlyEntries) {
  source("older.txt", 0);
  target("older.txt", 30);
  target("extra/");
  target("extra/e.txt", 5, 50);

  // Kept: the count line stands, no copy follows it; nothing of the target's own.
  EXPECT_EQ(lines(TNewerInTarget::Keep, TTargetOnly::Keep), (Lines{timed("同步文件夹需要更新的文件共1个")}));

  source("older.txt", 0);
  target("older.txt", 30);
  target("extra/");
  target("extra/e.txt", 5, 50);
  // Copied back: the target's file goes over the source's; the target-only
  // folder is made on the source, and its file copied back, logged straight
  // after the time.
  const Lines back = {
      timed("同步文件夹需要更新的文件共1个"),
      timed(nativePath("更新文件/media/usb/older.txt到/disk/older.txt")),
      timed("同步文件夹需要创建的文件夹共1个"),
      timed(nativePath("同步文件夹创建文件夹/disk/extra")),
      timed("被同步文件夹需要复制的文件共1个"),
      kStamp + kMark + nativePath("复制文件/media/usb/extra/e.txt到/disk/extra/e.txt"),
  };
  EXPECT_EQ(lines(TNewerInTarget::CopyBack, TTargetOnly::CopyBack), back);
}

TEST_F(Preview, WhatLiesBehindALinkedFolderIsNotDeletedOneByOne) {
  target("link/");
  target("link/inside.txt");
  target("link/deeper/");
  target("plain.txt");
  TPreviewProbes probes;
  probes.IsLinkedFolder = [](const std::string& path) { return path == nativePath("/media/usb/link"); };
  const Lines expected = {
      timed("被同步文件夹需要删除的文件共1个"),
      timed(nativePath("被同步文件夹删除文件/media/usb/plain.txt")),
      timed("被同步文件夹需要删除的文件夹共1个"),
      timed(nativePath("被同步文件夹删除文件夹/media/usb/link")),
  };
  EXPECT_EQ(lines(TNewerInTarget::Keep, TTargetOnly::Delete, probes), expected);
}

TEST_F(Preview, OnADriveThatIgnoresCaseWhatTheRunWritesIsNotDeletedOrCopiedBack) {
  // The target's README.txt and Docs are the source's readme.txt and docs
  // under another spelling: the run writes them, and leaves them be.
  source("readme.txt", 10);
  source("docs/");
  source("docs/a.txt", 10);
  target("README.txt", 20);
  target("Docs/");
  target("Docs/a.txt", 10);
  target("other.txt");
  TPreviewProbes probes;
  probes.EntryKey = caseFolded;
  const Lines deleted = lines(TNewerInTarget::Keep, TTargetOnly::Delete, probes);
  const Lines expectedTail = {
      timed("被同步文件夹需要删除的文件共1个"),
      timed(nativePath("被同步文件夹删除文件/media/usb/other.txt")),
  };
  ASSERT_GE(deleted.size(), expectedTail.size());
  EXPECT_EQ(Lines(deleted.end() - 2, deleted.end()), expectedTail);
  for (const std::string& line : deleted) EXPECT_EQ(line.find("删除文件夹"), std::string::npos) << line;

  // A drive that keeps case apart deletes the other spellings.
  source("readme.txt", 10);
  target("README.txt", 20);
  const Lines apart = lines(TNewerInTarget::Keep, TTargetOnly::Delete);
  EXPECT_EQ(apart.back(), timed(nativePath("被同步文件夹删除文件/media/usb/README.txt")));
}

TEST_F(Preview, ACopyOntoAPairedFileOfAnotherSpellingIsForeseenAsRefused) {
  // a.txt pairs with the target's a.txt; A.txt, new to the target, would
  // land on that very file on a drive that ignores case.
  source("a.txt", 5);
  target("a.txt", 5);
  source("A.txt", 6);
  TPreviewProbes probes;
  probes.EntryKey = caseFolded;
  const Lines expected = {timed("被同步文件夹需要复制的文件共1个"), kMark + "同步出错，请检查"};
  const Lines got = lines(TNewerInTarget::Keep, TTargetOnly::Keep, probes);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], expected[0]);
  EXPECT_EQ(got[1], expected[1]);
  EXPECT_EQ(got[2].rfind(kMark + nativePath("1、复制文件错误，请检查该文件是否正在使用：/disk/A.txt"), 0), 0u) << got[2];
}

TEST_F(Preview, SomethingUnlistedWhereACopyWouldGoIsForeseenAsLeftAlone) {
  source("new.txt");
  source("Other.txt", 3, 5);
  target("OTHER.txt", 4, 2);  // target-only: the run replaces it where names ignore case
  target("back.txt", 7);
  source("z/");
  TPreviewProbes probes;
  probes.Exists = [](const std::string& path) {
    return path == nativePath("/media/usb/new.txt") || path == nativePath("/media/usb/Other.txt") ||
           path == nativePath("/disk/back.txt");
  };
  const Lines got = lines(TNewerInTarget::Keep, TTargetOnly::CopyBack, probes);
  const Lines wanted = {
      timed("被同步文件夹需要创建的文件夹共1个"),
      timed(nativePath("创建文件夹/media/usb/z")),
      timed("被同步文件夹需要复制的文件共2个"),
      timed(nativePath("复制文件/disk/Other.txt到/media/usb/Other.txt")),
      timed("被同步文件夹需要复制的文件共2个"),
      kStamp + kMark + nativePath("复制文件/media/usb/OTHER.txt到/disk/OTHER.txt"),
      kMark + "同步出错，请检查",
      kMark + nativePath("1、该文件在同步期间被改动，未覆盖，请检查：/media/usb/new.txt"),
      kMark + nativePath("2、该文件在同步期间被改动，未覆盖，请检查：/disk/back.txt"),
  };
  EXPECT_EQ(got, wanted);
}

TEST_F(Preview, UnreadFoldersAreTheFirstErrorsOfTheSummary) {
  source("new.txt");
  const std::vector<TUnreadFolder> unread = {
      {nativePath("/disk/locked"), std::make_error_code(std::errc::permission_denied)},
      {nativePath("/media/usb/way"), FencedFolderError()},
  };
  const Lines got = lines(TNewerInTarget::Keep, TTargetOnly::Keep, {}, unread);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[2], kMark + "同步出错，请检查");
  EXPECT_EQ(got[3].rfind(kMark + nativePath("1、读取文件夹错误，请检查该文件夹：/disk/locked（"), 0), 0u) << got[3];
  EXPECT_EQ(got[4], kMark + nativePath("2、该文件夹通向另一个同步文件夹，未同步，请检查：/media/usb/way"));
}

TEST_F(Preview, NothingToDoGivesNoLine) {
  source("same.txt", 3);
  target("same.txt", 3);
  EXPECT_TRUE(lines(TNewerInTarget::Replace, TTargetOnly::Delete).empty());
}

TEST(PreviewMark, RemovingTheMarkGivesTheRunsLine) {
  EXPECT_EQ(WithoutPreviewMark(timed("创建文件夹/u/a")), kStamp + "  创建文件夹/u/a");
  EXPECT_EQ(WithoutPreviewMark(kMark + "同步出错，请检查"), "同步出错，请检查");
  // Only the mark itself, once: a name holding the mark's text stays whole.
  EXPECT_EQ(WithoutPreviewMark(timed("创建文件夹/u/" + kMark)), kStamp + "  创建文件夹/u/" + kMark);
  EXPECT_EQ(WithoutPreviewMark("no mark"), "no mark");
}
