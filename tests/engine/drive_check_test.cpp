// What the drives can take of a plan, on inventories built in memory and
// drives described by hand.
#include "engine/drive_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/memory_inventories.h"
#include "tests/support/native_path.h"

namespace {

const std::string& kSource = testsupport::kMemorySource;
const std::string& kTarget = testsupport::kMemoryTarget;
constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kFatLargest = (std::int64_t{4} << 30) - 1;

TDriveRoom Fat32(std::int64_t free = -1) {
  TDriveRoom room;
  room.Format = {platform::FileSystemKind::Fat, 2000, true, kFatLargest};
  room.Free = free;
  room.Block = 4096;
  room.Drive = "fat";
  return room;
}
TDriveRoom Ordinary(std::int64_t free = -1, std::string drive = "disk") {
  TDriveRoom room;
  room.Free = free;
  room.Block = 4096;
  room.Drive = std::move(drive);
  return room;
}

class Check : public testsupport::MemoryInventories {
 protected:
  TPlanCheck check(const TDriveRoom& sourceRoom, const TDriveRoom& targetRoom, TTargetOnly targetOnly = TTargetOnly::Keep,
                   bool keepVersions = false, TNewerInTarget newer = TNewerInTarget::Keep) {
    // Planning empties the lists it is given.
    TInventoryList sources = sourceList, targets = targetList;
    sources.Sort(kSource.size());
    targets.Sort(kTarget.size());
    plan_ = *PlanChanges(sources, targets, comparer, kSource.size(), kTarget.size(), {},
                         [](const TFileInfo&, const TFileInfo&) { return true; }, stop);
    return CheckPlan(plan_, newer, targetOnly, keepVersions, kSource.size(), kTarget.size(), sourceRoom, targetRoom);
  }
  // The refused entries' paths below their roots, and the reasons.
  std::vector<std::string> refused(const TPlanCheck& c) const {
    std::vector<std::string> out;
    for (const auto* list : {&plan_.Updates, &plan_.NewFolders, &plan_.NewFiles})
      for (const TFileInfo* e : *list)
        if (const TRefused* r = c.RefusalOf(e)) out.push_back(e->Relative(kSource.size()) + r->Reason);
    for (const auto* list : {&plan_.NewerInTarget, &plan_.TargetOnlyFolders, &plan_.TargetOnlyFiles})
      for (const TFileInfo* e : *list)
        if (const TRefused* r = c.RefusalOf(e)) out.push_back(e->Relative(kTarget.size()) + r->Reason);
    for (const TRenamePair& pair : plan_.Renames)
      if (const TRefused* r = c.RefusalOf(pair.Source)) out.push_back(pair.Source->Relative(kSource.size()) + r->Reason);
    return out;
  }
  TSyncPlan plan_;
};

const std::string kBadName = "（文件名含有Windows不允许的字符或形式）";

}  // namespace

TEST(WindowsNames, RefusedCharactersFormsAndDevices) {
  for (const char* name : {"a:b.txt", "what?.txt", "say\"hi\"", "a*b", "a<b", "a>b", "a|b", "a\\b", "tab\there",
                           "\x1f", "trail.", "blank ", "con", "CON", "con.txt", "Nul.tar.gz", "aux .txt", "prn",
                           "COM1", "com9.log", "lpt1", "LPT9.x"})
    EXPECT_TRUE(WindowsRefusesName(name)) << name;
  for (const char* name : {"ok.txt", "照片.jpg", ".hidden", "console", "con_notes.txt", "com0", "COM10", "lpt",
                           "x.con", "a.b.c", " lead", "nulls", "auxiliary.txt"})
    EXPECT_FALSE(WindowsRefusesName(name)) << name;
  // Any component of a path, folders included.
  EXPECT_TRUE(WindowsRefusesPath(testsupport::nativePath("ok/con/inner.txt")));
  EXPECT_TRUE(WindowsRefusesPath(testsupport::nativePath("dir./file.txt")));
  EXPECT_FALSE(WindowsRefusesPath(testsupport::nativePath("照片/2026/ok.txt")));
}

TEST(SizeTexts, OneDecimalInTheLargestUnit) {
  EXPECT_EQ(SizeText(0), "0字节");
  EXPECT_EQ(SizeText(1023), "1023字节");
  EXPECT_EQ(SizeText(1536), "1.5KB");
  EXPECT_EQ(SizeText(12 * kMiB + kMiB / 2), "12.5MB");
  EXPECT_EQ(SizeText(kFatLargest + 1), "4.0GB");
  // A need just above what is there never reads as the same figure.
  EXPECT_EQ(SizeText(4 * kMiB + 1, TRounding::Up), "4.1MB");
  EXPECT_EQ(SizeText(4 * kMiB - 1, TRounding::Down), "3.9MB");
  EXPECT_EQ(SizeText(4 * kMiB, TRounding::Up), "4.0MB");
}

TEST_F(Check, FilesOverTheLargestFatFileAreRefusedWhereverTheyGo) {
  source("big.iso", 0, kFatLargest + 1);
  source("edge.iso", 0, kFatLargest);  // the largest a FAT32 drive takes
  source("grown.iso", 30, kFatLargest + 1);
  target("grown.iso", 0, 10);
  target("back.iso", 5, kFatLargest + 1);  // no rename of big.iso
  const TPlanCheck onFat = check(Fat32(), Fat32(), TTargetOnly::CopyBack);
  const std::string tooLarge = "（文件超过4GB，FAT32 U盘不能存放）";
  EXPECT_EQ(refused(onFat), (std::vector<std::string>{"grown.iso" + tooLarge, "big.iso" + tooLarge,
                                                      "back.iso" + tooLarge}));
  // The refused ones write nothing; the largest allowed does.
  EXPECT_EQ(onFat.Target.Write, kFatLargest + 1);

  const TPlanCheck onDisk = check(Ordinary(), Ordinary(-1, "other"), TTargetOnly::CopyBack);
  EXPECT_TRUE(refused(onDisk).empty());
}

TEST_F(Check, NamesAreRefusedOnlyOnWindowsFileSystemsAndOnlyWhereTheyAreNew) {
  source("a:b.txt");
  source("con/");
  source("con/inside.txt");
  source("照片.jpg");
  source("upd?.txt", 30);
  target("upd?.txt", 0);       // already on the drive: updated in place
  source("renamed.", 0, 5);    // a rename to a refused name
  target("old.txt", 0, 5);
  const TPlanCheck onFat = check(Ordinary(), Fat32());
  EXPECT_EQ(refused(onFat),
            (std::vector<std::string>{"con" + kBadName, "a:b.txt" + kBadName,
                                      testsupport::nativePath("con/inside.txt") + kBadName, "renamed." + kBadName}));
  EXPECT_TRUE(refused(check(Ordinary(), Ordinary(-1, "usb"))).empty());
}

TEST_F(Check, CopiesBackAreCheckedAgainstTheSourceDrive) {
  target("nul.txt");
  target("back:dir/");
  const TPlanCheck c = check(Fat32(), Ordinary(), TTargetOnly::CopyBack);
  EXPECT_EQ(refused(c), (std::vector<std::string>{"back:dir" + kBadName, "nul.txt" + kBadName}));
  // Kept or deleted, nothing is written onto the source.
  EXPECT_TRUE(refused(check(Fat32(), Ordinary(), TTargetOnly::Delete)).empty());
}

TEST_F(Check, SpaceCountsWholeBlocksAndWhatTheRunFrees) {
  source("new.bin", 0, 3 * kMiB + 1);  // four blocks more than 3 MiB in whole blocks
  source("small.txt", 0, 1);
  source("dir/");
  source("upd.bin", 30, kMiB);
  target("upd.bin", 0, 2 * kMiB);
  target("gone.bin", 0, 2 * kMiB);
  const std::int64_t write = 3 * kMiB + 4096 + 4096 + 4096 + kMiB;

  TPlanCheck keep = check(Ordinary(), Fat32(4 * kMiB));
  EXPECT_EQ(keep.Target.Write, write);
  EXPECT_EQ(keep.Target.Freed, 2 * kMiB);  // the replaced file; the extra one stays
  EXPECT_FALSE(keep.Target.Short());

  TPlanCheck tight = check(Ordinary(), Fat32(2 * kMiB));
  EXPECT_TRUE(tight.Target.Short());
  EXPECT_EQ(ShortageLine(tight), "目标磁盘空间不足：需要写入4.1MB，可用4.0MB，未同步，没有改动任何文件");
  // Deleting the extra file makes room; keeping old versions frees nothing.
  EXPECT_FALSE(check(Ordinary(), Fat32(2 * kMiB), TTargetOnly::Delete).Target.Short());
  const TPlanCheck versions = check(Ordinary(), Fat32(2 * kMiB), TTargetOnly::Delete, true);
  EXPECT_EQ(versions.Target.Freed, 0);
  EXPECT_TRUE(versions.Target.Short());
  // Unknown free space is never short.
  EXPECT_TRUE(ShortageLine(check(Ordinary(), Fat32(-1))).empty());
}

TEST_F(Check, BothSidesOnOneDriveShareItsFreeSpace) {
  source("newer.bin", 0, kMiB);
  target("newer.bin", 30, kMiB);
  target("back.bin", 0, kMiB);
  // Copied back onto the source: 2 MiB there, 1 MiB freed by the replacement.
  const TPlanCheck apart = check(Ordinary(kMiB + kMiB / 2), Ordinary(0, "usb"), TTargetOnly::CopyBack, false,
                                 TNewerInTarget::CopyBack);
  EXPECT_EQ(apart.Source.Write, 2 * kMiB);
  EXPECT_FALSE(apart.Source.Short());
  EXPECT_FALSE(apart.Target.Short());

  const TPlanCheck shortBack = check(Ordinary(kMiB / 2), Ordinary(0, "usb"), TTargetOnly::CopyBack, false,
                                     TNewerInTarget::CopyBack);
  EXPECT_EQ(ShortageLine(shortBack).rfind("源磁盘空间不足：需要写入2.0MB，可用1.5MB", 0), 0u) << ShortageLine(shortBack);

  // One drive: the target's free space holds both sides' writes.
  const TPlanCheck together = check(Ordinary(kMiB / 2), Ordinary(kMiB / 2), TTargetOnly::CopyBack, false,
                                    TNewerInTarget::CopyBack);
  EXPECT_EQ(together.Target.Write, 2 * kMiB);
  EXPECT_FALSE(together.Source.Short());
  EXPECT_TRUE(together.Target.Short());
}
