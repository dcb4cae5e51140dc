// A scan that must change nothing leaves a crashed copy's leftovers where
// they are; neither kind of scan lists them.
#include <gtest/gtest.h>

#include <filesystem>

#include "inventory/inventory_scan.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

TEST(ScanCopyTemps, KeptWhenAskedRemovedOtherwiseListedNever) {
  testsupport::TempDir dir;
  dir.write("a.txt", "a");
  dir.write("sub/.~drovan-tmp-3039-dead-1", "partial");
  dir.write(".~drovan-tmp-3039-dead-2", "partial");
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep);
    TFileStore store;
    TDateTime newest = 0;
    TScanExtras extras;
    extras.KeepCopyTemps = keep;
    const TInventoryList list = ScanToInventory(dir.str(), newest, true, {}, {}, store, extras);
    EXPECT_EQ(list.Count(), 2u);  // a.txt and sub
    EXPECT_EQ(fs::exists(dir.path() / "sub/.~drovan-tmp-3039-dead-1"), keep);
    EXPECT_EQ(fs::exists(dir.path() / ".~drovan-tmp-3039-dead-2"), keep);
  }
}
