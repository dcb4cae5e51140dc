#include "platform/collate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using platform::compareText;
using platform::compareTextIgnoringCase;
using platform::sortKey;

TEST(Collate, IgnoresCaseButStaysTotal) {
  EXPECT_EQ(compareTextIgnoringCase("Report.TXT", "report.txt"), 0);
  EXPECT_NE(compareText("Report.TXT", "report.txt"), 0);
  EXPECT_EQ(compareText("a", "a"), 0);
  EXPECT_LT(compareText("a", "B"), 0);
  EXPECT_GT(compareText("b", "A"), 0);
  // Antisymmetric tie-break.
  EXPECT_EQ(compareText("A.txt", "a.txt"), -compareText("a.txt", "A.txt"));
}

TEST(Collate, SortKeysAgreeWithCompare) {
  std::vector<std::string> words = {"b.txt", "A.txt", "a.txt", "年度 报告.final.doc", "a b",
                                    "a-b",   "ab",    "AB",    "Ä.txt", "z",  "",
                                    "dir/x", "dir",   "dir 2", "\xff\xfe", "10", "9"};
  for (const auto& a : words)
    for (const auto& b : words) {
      const int byCompare = compareText(a, b);
      const std::string ka = sortKey(a), kb = sortKey(b);
      const int byKey = (ka > kb) - (ka < kb);
      EXPECT_EQ(byCompare, byKey) << a << " vs " << b;
    }
}

TEST(Collate, CaseVariantsSortNextToEachOther) {
  std::vector<std::string> names = {"b", "A.txt", "c", "a.txt", "B", "a.TXT"};
  std::sort(names.begin(), names.end(), [](const auto& x, const auto& y) { return sortKey(x) < sortKey(y); });
  auto pos = [&](const std::string& s) { return std::find(names.begin(), names.end(), s) - names.begin(); };
  const auto lo = std::min({pos("A.txt"), pos("a.txt"), pos("a.TXT")});
  const auto hi = std::max({pos("A.txt"), pos("a.txt"), pos("a.TXT")});
  EXPECT_EQ(hi - lo, 2);
  EXPECT_EQ(std::abs(pos("b") - pos("B")), 1);
}

TEST(Collate, FolderSortsBeforeItsContents) {
  EXPECT_LT(compareText("dir", "dir/a"), 0);
  EXPECT_LT(compareText("Dir", "dir/a"), 0);
}
