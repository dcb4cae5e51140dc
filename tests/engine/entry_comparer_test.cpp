#include "engine/entry_comparer.h"

#include <gtest/gtest.h>

#include "inventory/file_store.h"
#include "platform/collate.h"

namespace {

TDateTime at(int h, int mi, int s, int day = 5) {
  TDateTime v = 0;
  EXPECT_TRUE(platform::tryEncodeDateTime({2015, 3, day, h, mi, s, 0}, v));
  return v;
}

TFileStore store;

TFileInfo& entry(const std::string& fullPath, bool folder, TDateTime time = 0, std::int64_t size = 0) {
  const auto slash = fullPath.rfind('/');
  TFileInfo& info = store.Add(fullPath.substr(0, slash + 1), fullPath.substr(slash + 1));
  info.Falg = folder;
  info.LastModifyTime = time;
  info.Size = size;
  return info;
}

class ComparerTest : public ::testing::Test {
 protected:
  std::string first = "/disk/", second = "/media/usb/";
  TEntryComparer cmp{first, second};
};

}  // namespace

TEST(SecondsOfTimeDiff, DropsWholeDaysAndTruncates) {
  EXPECT_EQ(SecondsOfTimeDiff(at(9, 0, 2, 6), at(9, 0, 0, 5)), 2);
  EXPECT_EQ(SecondsOfTimeDiff(at(9, 0, 0), at(9, 0, 4)), 4);
  EXPECT_EQ(SecondsOfTimeDiff(at(10, 1, 1), at(9, 0, 0)), 3661);
  EXPECT_EQ(SecondsOfTimeDiff(at(9, 0, 0), at(9, 0, 0)), 0);
  TDateTime a = at(9, 0, 0), b = a + 1999.0 / platform::MSecsPerDay;
  EXPECT_EQ(SecondsOfTimeDiff(a, b), 1);
}

TEST_F(ComparerTest, SameFilesAndTolerance) {
  EXPECT_EQ(cmp(entry("/disk/a.txt", false, at(9, 0, 0), 5), entry("/media/usb/a.txt", false, at(9, 0, 0), 5)), Same);
  // FAT's 2-second steps: equal size within 3 s is the same file.
  EXPECT_EQ(cmp(entry("/disk/a.txt", false, at(9, 0, 3), 5), entry("/media/usb/a.txt", false, at(9, 0, 0), 5)), Same);
  EXPECT_EQ(cmp(entry("/disk/a.txt", false, at(9, 0, 4), 5), entry("/media/usb/a.txt", false, at(9, 0, 0), 5)),
            SourceNewer);
  EXPECT_EQ(cmp(entry("/disk/a.txt", false, at(9, 0, 0), 5), entry("/media/usb/a.txt", false, at(9, 0, 4), 5)),
            TargetNewer);
  EXPECT_EQ(cmp(entry("/disk/d", true), entry("/media/usb/d", true, at(1, 0, 0))), Same);
}

TEST_F(ComparerTest, DifferentSizesAreNeverSame) {
  // Equal times but different sizes: the source is the reference of the run.
  EXPECT_EQ(cmp(entry("/disk/a.txt", false, at(9, 0, 0), 5), entry("/media/usb/a.txt", false, at(9, 0, 0), 6)),
            SourceNewer);
  EXPECT_EQ(cmp(entry("/disk/a.txt", false, at(9, 0, 1), 5), entry("/media/usb/a.txt", false, at(9, 0, 0), 6)),
            SourceNewer);
  EXPECT_EQ(cmp(entry("/disk/a.txt", false, at(9, 0, 0), 5), entry("/media/usb/a.txt", false, at(9, 0, 1), 6)),
            TargetNewer);
}

TEST_F(ComparerTest, OneSidedEntriesByOrder) {
  EXPECT_EQ(cmp(entry("/disk/a.txt", false), entry("/media/usb/b.txt", false)), SourceOnlyFile);
  EXPECT_EQ(cmp(entry("/disk/b.txt", false), entry("/media/usb/a.txt", false)), TargetOnlyFile);
  EXPECT_EQ(cmp(entry("/disk/a", true), entry("/media/usb/b", true)), SourceOnlyDir);
  EXPECT_EQ(cmp(entry("/disk/b", true), entry("/media/usb/a", true)), TargetOnlyDir);
  EXPECT_EQ(cmp(entry("/disk/b", true), entry("/media/usb/a.txt", false)), TargetOnlyFile);
  EXPECT_EQ(cmp(entry("/disk/a", true), entry("/media/usb/b.txt", false)), SourceOnlyDir);
  EXPECT_EQ(cmp(entry("/disk/b.txt", false), entry("/media/usb/a", true)), TargetOnlyDir);
  EXPECT_EQ(cmp(entry("/disk/a.txt", false), entry("/media/usb/b", true)), SourceOnlyFile);
  // A file and a folder of one name: the source side is named.
  EXPECT_EQ(cmp(entry("/disk/x", false), entry("/media/usb/x", true)), SourceOnlyFile);
  EXPECT_EQ(cmp(entry("/disk/x", true), entry("/media/usb/x", false)), SourceOnlyDir);
}

TEST_F(ComparerTest, CaseVariantsFollowTheTotalOrder) {
  // The outcome for a case-only difference must agree with the order both
  // inventories are sorted in, or the merge walk loses its place.
  const int ab = cmp(entry("/disk/A.txt", false), entry("/media/usb/a.txt", false));
  const int ba = cmp(entry("/disk/a.txt", false), entry("/media/usb/A.txt", false));
  EXPECT_EQ(platform::compareText("A.txt", "a.txt") < 0 ? SourceOnlyFile : TargetOnlyFile, ab);
  EXPECT_NE(ab, ba);
  EXPECT_EQ(cmp(entry("/disk/Docs", true), entry("/media/usb/docs", true)),
            platform::compareText("Docs", "docs") < 0 ? SourceOnlyDir : TargetOnlyDir);
}

TEST_F(ComparerTest, ToleranceIsCountedInWholeMilliseconds) {
  // Day fractions do not hold seconds exactly: 4 s taken from them can read
  // as 3.99999 s. Every pair across a day must come out the same way.
  int wrongFour = 0, wrongThree = 0;
  for (std::int64_t t = 1'700'000'000; t < 1'700'000'000 + 86'400; t += 97) {
    const TDateTime older = platform::fileTimeToDateTime(t, 0);
    const TDateTime four = platform::fileTimeToDateTime(t + 4, 0);
    const TDateTime three = platform::fileTimeToDateTime(t + 3, 0);
    if (cmp(entry("/disk/a.txt", false, four, 5), entry("/media/usb/a.txt", false, older, 5)) != SourceNewer)
      ++wrongFour;
    if (cmp(entry("/disk/a.txt", false, three, 5), entry("/media/usb/a.txt", false, older, 5)) != Same)
      ++wrongThree;
  }
  EXPECT_EQ(wrongFour, 0);
  EXPECT_EQ(wrongThree, 0);
}
