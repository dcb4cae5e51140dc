// The one case folding that drives and the configuration's names share.
#include "platform/case_fold.h"

#include <gtest/gtest.h>

using platform::equalIgnoringCase;
using platform::foldedCase;

TEST(CaseFold, FoldsAsciiAndBeyond) {
  EXPECT_EQ(foldedCase("Report.TXT"), "report.txt");
  EXPECT_EQ(foldedCase("ÄRGER"), "ärger");
  EXPECT_EQ(foldedCase("Straße"), "strasse");  // full folding, as the drives compare
  EXPECT_EQ(foldedCase("资料"), "资料");
  EXPECT_TRUE(equalIgnoringCase("ΣΊΣΥΦΟΣ", "σίσυφος"));
  EXPECT_TRUE(equalIgnoringCase("Résumé.doc", "RÉSUMÉ.DOC"));
  EXPECT_FALSE(equalIgnoringCase("a.txt", "b.txt"));
  // A long text grows past the first guess of its folded length.
  std::string sharpS;
  for (int i = 0; i < 1000; ++i) sharpS += "ß";
  EXPECT_EQ(foldedCase(sharpS).size(), 2000u);
}

TEST(CaseFold, BytesThatAreNotUtf8StayAsTheyAre) {
  const std::string broken = "A\xFF\xC3Ä";
  std::string out;
  EXPECT_TRUE(platform::foldCase(broken, out));
  EXPECT_EQ(out, "a\xFF\xC3ä");
  EXPECT_TRUE(equalIgnoringCase(broken, "a\xFF\xC3ä"));
  EXPECT_FALSE(equalIgnoringCase(broken, "a\xFE\xC3ä"));
}
