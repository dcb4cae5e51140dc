// Windows folds letter case one letter at a time, as its file systems
// compare names: "ß" stays, final and inner sigma meet.
#include <gtest/gtest.h>

#include "platform/case_fold.h"

TEST(WinCaseFold, FoldsLetterByLetter) {
  EXPECT_EQ(platform::foldedCase("Straße"), "straße");
  EXPECT_TRUE(platform::equalIgnoringCase("STRASSE", "strasse"));
  EXPECT_FALSE(platform::equalIgnoringCase("Straße", "STRASSE"));
  EXPECT_TRUE(platform::equalIgnoringCase("ΣΊΣΥΦΟΣ", "σίσυφος"));
  EXPECT_EQ(platform::foldedCase("Ǆ"), platform::foldedCase("ǆ"));
}
