// Unicode's full case folding, which ICU gives on Unix: a letter may fold
// into two. Windows folds letter by letter (its file systems keep "ß").
#include "platform/case_fold.h"

#include <gtest/gtest.h>

using platform::foldedCase;

TEST(CaseFoldFull, ALetterMayFoldIntoTwo) {
  EXPECT_EQ(foldedCase("Straße"), "strasse");  // full folding, as the drives compare
  // A long text grows past the first guess of its folded length.
  std::string sharpS;
  for (int i = 0; i < 1000; ++i) sharpS += "ß";
  EXPECT_EQ(foldedCase(sharpS).size(), 2000u);
}
