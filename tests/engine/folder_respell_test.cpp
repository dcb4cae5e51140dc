// Folders renamed only in letter case on the source side pair with the
// target's old spelling where the target's drive takes both for one.
#include "engine/folder_respell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/sync_plan.h"
#include "tests/engine/memory_inventories.h"
#include "tests/support/native_path.h"

using testsupport::kMemorySource;
using testsupport::kMemoryTarget;

namespace {

class FolderRespell : public testsupport::MemoryInventories {
 protected:
  // A drive that ignores case: spellings that fold alike are one entry.
  static bool ignoringCase(const std::string& a, const std::string& b) {
    auto lower = [](std::string s) {
      std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
      return s;
    };
    return lower(a) == lower(b);
  }
  std::vector<TFolderRespell> pair(const TSameEntry& same = ignoringCase) {
    sourceList.Sort(kMemorySource.size());
    targetList.Sort(kMemoryTarget.size());
    return PairRespelledFolders(sourceList, kMemorySource.size(), targetList, kMemoryTarget, respelled, same);
  }
  std::vector<std::string> targetKeys() const {
    std::vector<std::string> keys;
    for (const TFileInfo* e : targetList) keys.push_back(e->Relative(kMemoryTarget.size()));
    return keys;
  }
  TFileStore respelled;
};

TEST_F(FolderRespell, AFolderRenamedInCaseAndItsInnerFoldersPairWithTheOldSpelling) {
  source("Photos/");
  source("Photos/Sub/");
  source("Photos/Sub/s.txt", 3, 1);
  source("Photos/a.jpg", 1, 5);
  source("Photos/new.jpg", 2, 5);
  target("photos/");
  target("photos/sub/");
  target("photos/sub/s.txt", 3, 1);
  target("photos/a.jpg", 1, 5);
  target("photos/gone.jpg", 1, 5);
  target("other.txt", 1, 1);

  const auto respells = pair();
  ASSERT_EQ(respells.size(), 2u);
  EXPECT_EQ(respells[0].From, kMemoryTarget + "photos");
  EXPECT_EQ(respells[0].To, kMemoryTarget + "Photos");
  // The inner folder is named as it stands once the outer one is respelled.
  EXPECT_EQ(respells[1].From, kMemoryTarget + testsupport::nativePath("Photos/sub"));
  EXPECT_EQ(respells[1].To, kMemoryTarget + testsupport::nativePath("Photos/Sub"));
  const auto keys = targetKeys();
  for (const char* rel : {"Photos", "Photos/Sub", "Photos/Sub/s.txt", "Photos/a.jpg", "Photos/gone.jpg", "other.txt"})
    EXPECT_NE(std::find(keys.begin(), keys.end(), testsupport::nativePath(rel)), keys.end()) << rel;

  // The plan then only copies what is new and removes what is gone.
  auto plan = PlanChanges(sourceList, targetList, comparer, kMemorySource.size(), kMemoryTarget.size(), {},
                          [](const TFileInfo&, const TFileInfo&) { return false; }, stop);
  ASSERT_TRUE(plan);
  EXPECT_TRUE(plan->NewFolders.Empty());
  EXPECT_TRUE(plan->TargetOnlyFolders.Empty());
  ASSERT_EQ(plan->NewFiles.Count(), 1u);
  EXPECT_EQ(plan->NewFiles[0].Relative(kMemorySource.size()), testsupport::nativePath("Photos/new.jpg"));
  ASSERT_EQ(plan->TargetOnlyFiles.Count(), 2u);
  EXPECT_TRUE(plan->Updates.Empty());
}

TEST_F(FolderRespell, NothingPairsWhereTheSpellingsAreTwoEntriesOrAmbiguous) {
  source("Photos/");
  source("Photos/a.jpg", 1, 5);
  target("photos/");
  target("photos/a.jpg", 1, 5);
  // A drive that keeps case: two folders, planned as ever.
  EXPECT_TRUE(pair([](const std::string& a, const std::string& b) { return a == b; }).empty());
  EXPECT_EQ(targetKeys(), testsupport::nativePaths({"photos", "photos/a.jpg"}));

  // Two source spellings of one name: neither is the rename.
  source("PHOTOS/");
  EXPECT_TRUE(pair().empty());
}

TEST_F(FolderRespell, ATargetHoldingBothSpellingsOrAFolderLinkIsLeftAlone) {
  source("Photos/");
  target("photos/");
  target("Photos/");
  EXPECT_TRUE(pair().empty());

  sourceList.Clear();
  targetList.Clear();
  source("Docs/");
  target("docs/");
  targetList[0].IsLink = true;
  EXPECT_TRUE(pair().empty());
}

TEST_F(FolderRespell, ADifferenceAboveTheLastNameIsNotARespellOfThatName) {
  // The source's parent differs in case too, but the target's parent is
  // paired exactly: only a whole-name match of the last component counts.
  source("a/");
  source("a/Inner/");
  source("B/");
  source("B/x/");
  target("a/");
  target("a/inner/");
  target("b/");
  target("b/X/");
  const auto respells = pair();
  ASSERT_EQ(respells.size(), 3u);
  EXPECT_EQ(respells[0].To, kMemoryTarget + testsupport::nativePath("a/Inner"));
  EXPECT_EQ(respells[1].To, kMemoryTarget + "B");
  EXPECT_EQ(respells[2].From, kMemoryTarget + testsupport::nativePath("B/X"));
  EXPECT_EQ(respells[2].To, kMemoryTarget + testsupport::nativePath("B/x"));
}

}  // namespace
