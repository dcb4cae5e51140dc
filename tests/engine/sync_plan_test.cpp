// The plan of a change application from two inventories built in memory:
// no file system is touched, the rename check is the test's own.
#include "engine/sync_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/file_store.h"
#include "tests/engine/memory_inventories.h"
#include "tests/support/native_path.h"

namespace {

const std::string& kSource = testsupport::kMemorySource;
const std::string& kTarget = testsupport::kMemoryTarget;

class Plan : public testsupport::MemoryInventories {
 protected:
  TSyncPlan plan(const std::vector<std::string>& unread = {}, TRenameCheck isRename = nullptr) {
    if (!isRename) isRename = [](const TFileInfo&, const TFileInfo&) { return true; };
    sourceList.Sort(kSource.size());
    targetList.Sort(kTarget.size());
    std::optional<TSyncPlan> p =
        PlanChanges(sourceList, targetList, comparer, kSource.size(), kTarget.size(), unread, isRename, stop);
    EXPECT_TRUE(p.has_value());
    return p ? std::move(*p) : TSyncPlan{};
  }

  static std::vector<std::string> names(const TInventoryList& list, const std::string& root) {
    std::vector<std::string> out;
    for (const TFileInfo* e : list) out.push_back(e->Relative(root.size()));
    return out;
  }
  // Expected relative paths, written with "/" for this system's delimiter.
  struct Names : std::vector<std::string> {
    Names() = default;
    Names(std::initializer_list<std::string> paths) : std::vector<std::string>(testsupport::nativePaths(paths)) {}
  };

};

}  // namespace

TEST_F(Plan, EveryPairingLandsInItsList) {
  source("same.txt", 0);
  target("same.txt", 2);  // within the drives' tolerance
  source("upd.txt", 30);
  target("upd.txt", 0);
  source("older.txt", 0);
  target("older.txt", 30);
  source("new.txt");
  source("newdir/");
  source("newdir/n.txt");
  target("extra.txt", 5, 7);
  target("extradir/");
  target("extradir/e.txt", 6, 9);
  target("both/");
  source("both/");

  const TSyncPlan p = plan();
  EXPECT_EQ(names(p.Updates, kSource), Names{"upd.txt"});
  EXPECT_EQ(names(p.NewerInTarget, kTarget), Names{"older.txt"});
  EXPECT_EQ(names(p.NewFiles, kSource), (Names{"new.txt", "newdir/n.txt"}));
  EXPECT_EQ(names(p.NewFolders, kSource), Names{"newdir"});
  EXPECT_EQ(names(p.TargetOnlyFiles, kTarget), (Names{"extra.txt", "extradir/e.txt"}));
  EXPECT_EQ(names(p.TargetOnlyFolders, kTarget), Names{"extradir"});
  EXPECT_TRUE(p.Renames.empty());
  // Files paired by name, in order; folders are not among them.
  ASSERT_EQ(p.PairedSource.size(), 3u);
  EXPECT_EQ(p.PairedSource[0]->Relative(kSource.size()), testsupport::nativePath("older.txt"));
  EXPECT_EQ(p.PairedTarget[2]->Relative(kTarget.size()), testsupport::nativePath("upd.txt"));
  EXPECT_EQ(p.Counterpart.at(p.Updates.Objects(0))->Relative(kTarget.size()), testsupport::nativePath("upd.txt"));
  EXPECT_EQ(p.Counterpart.at(p.NewerInTarget.Objects(0))->Relative(kSource.size()), testsupport::nativePath("older.txt"));
  EXPECT_TRUE(sourceList.Empty());
  EXPECT_TRUE(targetList.Empty());
}

TEST_F(Plan, PlannedWorkCountsTheStepsAndBytesEachStrategyTakes) {
  source("upd.txt", 30, 100);
  target("upd.txt", 0, 1);
  source("older.txt", 0, 20);
  target("older.txt", 30, 300);
  source("new.txt", 0, 4000);
  source("newdir/");
  source("renamed.txt", 9, 77);
  target("was.txt", 9, 77);
  target("extra.txt", 5, 50000);
  target("extradir/");
  const TSyncPlan p = plan();

  const TJobWork replace = PlannedWork(p, TNewerInTarget::Replace, TTargetOnly::Delete);
  EXPECT_EQ(replace.Renamed, 1);
  EXPECT_EQ(replace.Updated, 1);
  EXPECT_EQ(replace.FoldersCreated, 1);
  EXPECT_EQ(replace.Copied, 1);
  EXPECT_EQ(replace.NewerInTarget, 1);
  EXPECT_EQ(replace.Deleted, 1);
  EXPECT_EQ(replace.FoldersDeleted, 1);
  EXPECT_EQ(replace.CopiedBack + replace.FoldersCopiedBack, 0);
  EXPECT_EQ(replace.CopyBytes, 100 + 4000 + 20);  // the source's older.txt goes over
  EXPECT_EQ(replace.Items(), 7);
  EXPECT_EQ(replace.Copies(), 3);

  const TJobWork back = PlannedWork(p, TNewerInTarget::CopyBack, TTargetOnly::CopyBack);
  EXPECT_EQ(back.NewerInTarget, 1);
  EXPECT_EQ(back.Deleted + back.FoldersDeleted, 0);
  EXPECT_EQ(back.FoldersCopiedBack, 1);
  EXPECT_EQ(back.CopiedBack, 1);
  EXPECT_EQ(back.CopyBytes, 100 + 4000 + 300 + 50000);  // the target's older.txt comes back

  const TJobWork keep = PlannedWork(p, TNewerInTarget::Keep, TTargetOnly::Keep);
  EXPECT_EQ(keep.NewerInTarget, 0);
  EXPECT_EQ(keep.Deleted + keep.FoldersDeleted + keep.CopiedBack + keep.FoldersCopiedBack, 0);
  EXPECT_EQ(keep.CopyBytes, 100 + 4000);
  EXPECT_EQ(keep.Items(), 4);
}

TEST_F(Plan, ARenameIsASourceOnlyAndATargetOnlyFileAlikeThatTheCheckAccepts) {
  source("d/new-name.txt", 10, 100);
  target("d/a-lookalike.txt", 10, 100);  // first in order, refused by the check
  target("d/old-name.txt", 10, 100);
  source("other/moved.txt", 10, 100);  // same time and size, another folder
  target("moved.txt", 10, 100);
  source("d/sized.txt", 10, 100);
  target("d/sized-other.txt", 10, 101);

  std::vector<std::string> asked;
  const TSyncPlan p = plan({}, [&](const TFileInfo& s, const TFileInfo& t) {
    asked.push_back(std::string(s.Name) + " ? " + std::string(t.Name));
    return t.Name != "a-lookalike.txt";
  });
  ASSERT_EQ(p.Renames.size(), 1u);
  EXPECT_EQ(p.Renames[0].Source->Relative(kSource.size()), testsupport::nativePath("d/new-name.txt"));
  EXPECT_EQ(p.Renames[0].Target->Relative(kTarget.size()), testsupport::nativePath("d/old-name.txt"));
  EXPECT_EQ(names(p.NewFiles, kSource), (Names{"d/sized.txt", "other/moved.txt"}));
  EXPECT_EQ(names(p.TargetOnlyFiles, kTarget), (Names{"d/a-lookalike.txt", "d/sized-other.txt", "moved.txt"}));
  // Only candidates of one folder, time and size are checked, in list order,
  // and a taken one is not offered again.
  EXPECT_EQ(asked, (std::vector<std::string>{"new-name.txt ? a-lookalike.txt", "new-name.txt ? old-name.txt",
                                             "sized.txt ? a-lookalike.txt"}));
}

TEST_F(Plan, NothingInOrUnderAnUnreadFolderIsPlanned) {
  source("locked/");
  source("locked/inner.txt", 30);
  target("locked/inner.txt", 0);
  target("locked/only-here.txt");
  target("locked/sub/");
  target("locked/sub/deep.txt");
  source("locked2/x.txt");  // a sibling whose name starts alike
  target("locked2/y.txt", 0, 2);
  target("locked/");

  const TSyncPlan p = plan({"locked"});
  EXPECT_TRUE(p.Updates.Empty());
  EXPECT_TRUE(p.NewFolders.Empty());
  EXPECT_TRUE(p.TargetOnlyFolders.Empty());
  EXPECT_EQ(names(p.NewFiles, kSource), Names{"locked2/x.txt"});
  EXPECT_EQ(names(p.TargetOnlyFiles, kTarget), Names{"locked2/y.txt"});
}

TEST_F(Plan, AStopDuringTheTailEndsThePlanning) {
  for (int i = 0; i < 5; ++i) source("s" + std::to_string(i) + ".txt");
  stop = true;
  sourceList.Sort(kSource.size());
  EXPECT_FALSE(PlanChanges(sourceList, targetList, comparer, kSource.size(), kTarget.size(), {},
                           [](const TFileInfo&, const TFileInfo&) { return true; }, stop)
                   .has_value());
}

TEST(PlanStrategies, StoredNumbersBecomeNamedValues) {
  EXPECT_EQ(NewerInTargetFrom(0), TNewerInTarget::Replace);
  EXPECT_EQ(NewerInTargetFrom(1), TNewerInTarget::Keep);
  EXPECT_EQ(NewerInTargetFrom(2), TNewerInTarget::CopyBack);
  // Out of range: neither copy is made.
  EXPECT_EQ(NewerInTargetFrom(3), TNewerInTarget::Keep);
  EXPECT_EQ(NewerInTargetFrom(-1), TNewerInTarget::Keep);
  EXPECT_EQ(TargetOnlyFrom(0), TTargetOnly::Delete);
  EXPECT_EQ(TargetOnlyFrom(1), TTargetOnly::Keep);
  EXPECT_EQ(TargetOnlyFrom(2), TTargetOnly::CopyBack);
  // Out of range: copied back, as every number but 0 and 1.
  EXPECT_EQ(TargetOnlyFrom(7), TTargetOnly::CopyBack);
  EXPECT_EQ(TargetOnlyFrom(-3), TTargetOnly::CopyBack);
}

TEST_F(Plan, OnAFatDriveARenameMatchesTimesAtItsStepAndAcrossAZoneShift) {
  const TTimeMatch fat(platform::DriveFormat{}, platform::DriveFormat{platform::FileSystemKind::Fat, 2000, true, 0}, 1);
  const TEntryComparer onFat(kSource, kTarget, fat);
  source("a/new-rounded.txt", 11, 5);
  target("a/old-rounded.txt", 10, 5);  // an odd second kept as the even one below
  source("a/new-apart.txt", 23, 6);
  target("a/old-apart.txt", 20, 6);  // 3 s: another file
  source("b/new-shifted.txt", 30, 7);
  target("b/old-shifted.txt", 30, 7);
  source("b/other-size.txt", 40, 8);
  target("b/old-size.txt", 41, 9);
  for (TFileInfo* t : targetList)
    if (t->Name == "old-shifted.txt") t->LastModifyTime -= 1.0 / 24;  // the stick an hour west
  sourceList.Sort(kSource.size());
  targetList.Sort(kTarget.size());
  std::optional<TSyncPlan> p = PlanChanges(sourceList, targetList, onFat, kSource.size(), kTarget.size(), {},
                                           [](const TFileInfo&, const TFileInfo&) { return true; }, stop);
  ASSERT_TRUE(p.has_value());
  Names renamed;
  for (const TRenamePair& r : p->Renames)
    renamed.push_back(r.Target->Relative(kTarget.size()) + ">" + r.Source->Relative(kSource.size()));
  EXPECT_EQ(renamed, (Names{"a/old-rounded.txt>a/new-rounded.txt", "b/old-shifted.txt>b/new-shifted.txt"}));
  EXPECT_EQ(names(p->NewFiles, kSource), (Names{"a/new-apart.txt", "b/other-size.txt"}));
  EXPECT_EQ(names(p->TargetOnlyFiles, kTarget), (Names{"a/old-apart.txt", "b/old-size.txt"}));
}
