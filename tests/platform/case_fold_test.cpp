// The one case folding that drives and the configuration's names share.
#include "platform/case_fold.h"

#include <gtest/gtest.h>

using platform::equalIgnoringCase;
using platform::foldedCase;

TEST(CaseFold, FoldsAsciiAndBeyond) {
  EXPECT_EQ(foldedCase("Report.TXT"), "report.txt");
  EXPECT_EQ(foldedCase("ÄRGER"), "ärger");
  EXPECT_EQ(foldedCase("资料"), "资料");
  EXPECT_TRUE(equalIgnoringCase("ΣΊΣΥΦΟΣ", "σίσυφος"));
  EXPECT_TRUE(equalIgnoringCase("Résumé.doc", "RÉSUMÉ.DOC"));
  EXPECT_FALSE(equalIgnoringCase("a.txt", "b.txt"));
}

TEST(CaseFold, BytesThatAreNotUtf8StayAsTheyAre) {
  const std::string broken = "A\xFF\xC3Ä";
  std::string out;
  EXPECT_TRUE(platform::foldCase(broken, out));
  EXPECT_EQ(out, "a\xFF\xC3ä");
  EXPECT_TRUE(equalIgnoringCase(broken, "a\xFF\xC3ä"));
  EXPECT_FALSE(equalIgnoringCase(broken, "a\xFE\xC3ä"));
}
