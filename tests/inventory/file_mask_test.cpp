#include "inventory/file_mask.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "platform/exceptions.h"

namespace {

std::string maskError(const std::string& mask) {
  try {
    TMask m(mask);
  } catch (const EMaskException& e) {
    return e.what();
  }
  return "valid";
}

// A plain recursive matcher for ASCII masks made of letters, *, ?, [AB] and
// [!A], to check the step machine against.
struct Token {
  char kind;  // 'L' literal, '?', 'S' set AB, 'N' not A, '*'
  char literal = 0;
};

std::vector<Token> tokenise(const std::string& mask) {
  std::vector<Token> out;
  bool afterStar = false;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const char c = mask[i];
    if (c == '*') {
      if (!afterStar) out.push_back({'*'});
      afterStar = true;
      continue;
    }
    if (c == '?') {
      if (!afterStar) out.push_back({'?'});
      continue;
    }
    if (c == '[') {
      const bool negated = mask[i + 1] == '!';
      out.push_back({negated ? 'N' : 'S'});
      i = mask.find(']', i);
    } else {
      out.push_back({'L', static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c)});
    }
    afterStar = false;
  }
  return out;
}

bool referenceMatch(const std::vector<Token>& t, std::size_t ti, const std::string& s, std::size_t si) {
  if (ti == t.size()) return si == s.size();
  if (t[ti].kind == '*') {
    for (std::size_t k = si; k <= s.size(); ++k)
      if (referenceMatch(t, ti + 1, s, k)) return true;
    return false;
  }
  if (si == s.size()) return false;
  const char c = s[si] >= 'a' && s[si] <= 'z' ? static_cast<char>(s[si] - 32) : s[si];
  bool ok = false;
  switch (t[ti].kind) {
    case 'L': ok = c == t[ti].literal; break;
    case '?': ok = true; break;
    case 'S': ok = c == 'A' || c == 'B'; break;
    case 'N': ok = c != 'A'; break;
  }
  return ok && referenceMatch(t, ti + 1, s, si + 1);
}

}  // namespace

TEST(FileMask, LiteralsFoldOnlyAsciiLetters) {
  EXPECT_TRUE(MatchesMask(".TXT", ".TXT"));
  EXPECT_TRUE(MatchesMask(".txt", ".TXT"));
  EXPECT_TRUE(MatchesMask(".TXT", ".txt"));
  EXPECT_FALSE(MatchesMask(".TXT", ".TX"));
  EXPECT_FALSE(MatchesMask(".TX", ".TXT"));
  EXPECT_FALSE(MatchesMask(".TXTX", ".TXT"));
  EXPECT_TRUE(MatchesMask(".ДОК", ".ДОК"));
  EXPECT_FALSE(MatchesMask(".док", ".ДОК"));
  EXPECT_FALSE(MatchesMask(".é", ".É"));
  EXPECT_TRUE(MatchesMask("", ""));
  EXPECT_FALSE(MatchesMask("A", ""));
  EXPECT_TRUE(MatchesMask("a]!-", "A]!-"));  // outside a set these are plain characters
}

TEST(FileMask, StarsAndQuestionMarks) {
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_TRUE(MatchesMask("anything at all", "*"));
  EXPECT_TRUE(MatchesMask(".", ".*"));
  EXPECT_TRUE(MatchesMask(".GZ", ".*"));
  EXPECT_FALSE(MatchesMask("", ".*"));
  EXPECT_TRUE(MatchesMask("XA", "**A"));
  EXPECT_TRUE(MatchesMask(".DOC", ".DO?"));
  EXPECT_TRUE(MatchesMask(".DOT", ".DO?"));
  EXPECT_FALSE(MatchesMask(".DOCX", ".DO?"));
  EXPECT_FALSE(MatchesMask(".DO", ".DO?"));
  // A ? right after a * adds nothing, so these need no character at all.
  EXPECT_TRUE(MatchesMask("", "*?"));
  EXPECT_TRUE(MatchesMask("A", "A*??"));
  EXPECT_FALSE(MatchesMask("", "?*"));
  EXPECT_TRUE(MatchesMask("AXXBYYC", "A*B*C"));
  EXPECT_FALSE(MatchesMask("AXXBYY", "A*B*C"));
  // Needs a second try of the first pending skip.
  EXPECT_TRUE(MatchesMask("ABAXC", "*A?C"));
  EXPECT_TRUE(MatchesMask("AXBXBC", "*A*BC"));
  EXPECT_TRUE(MatchesMask("AAB", "*AB"));
}

TEST(FileMask, CountsCharactersNotBytes) {
  EXPECT_TRUE(MatchesMask(".年", ".?"));
  EXPECT_FALSE(MatchesMask(".年", ".??"));
  EXPECT_TRUE(MatchesMask("年度报告", "年*告"));
  EXPECT_TRUE(MatchesMask("\xff", "?"));
  EXPECT_TRUE(MatchesMask("\xff", "\xff"));
  EXPECT_FALSE(MatchesMask("\xff", "\xfe"));
  EXPECT_TRUE(MatchesMask("\xe5\xb9", "??"));  // a cut-off sequence: two stray bytes
  EXPECT_FALSE(MatchesMask("\xe5\xb9", "?"));
  EXPECT_TRUE(MatchesMask("\xc0\xaf", "??"));  // an overlong "/" is not a "/"
  EXPECT_FALSE(MatchesMask("\xc0\xaf", "/"));
  EXPECT_TRUE(MatchesMask("A", std::string("A\0B", 3)));  // NUL ends the mask
}

TEST(FileMask, Sets) {
  EXPECT_TRUE(MatchesMask(".B", ".[A-C]"));
  EXPECT_TRUE(MatchesMask(".b", ".[a-c]"));
  EXPECT_FALSE(MatchesMask(".D", ".[A-C]"));
  EXPECT_TRUE(MatchesMask("X", "[XYZ]"));
  EXPECT_FALSE(MatchesMask("W", "[XYZ]"));
  EXPECT_TRUE(MatchesMask("D", "[!A-C]"));
  EXPECT_FALSE(MatchesMask("b", "[!A-C]"));
  EXPECT_FALSE(MatchesMask("", "[!A]"));  // a set always needs a character
  EXPECT_FALSE(MatchesMask("A", "A[!B]"));
  EXPECT_TRUE(MatchesMask("ÿ", "[ÿ]"));
  EXPECT_TRUE(MatchesMask("é", "[é]"));
  EXPECT_FALSE(MatchesMask("É", "[é]"));
  // Characters above U+00FF are never members, so a negated set takes them.
  EXPECT_TRUE(MatchesMask("A", "[Aя]"));
  EXPECT_FALSE(MatchesMask("я", "[Aя]"));
  EXPECT_TRUE(MatchesMask("я", "[!A]"));
  EXPECT_FALSE(MatchesMask("Ā", "[A-ʯ]"));
  EXPECT_TRUE(MatchesMask("ÿ", "[A-ʯ]"));
  // A range runs to whatever follows the "-", even "]"; the set then goes on.
  EXPECT_TRUE(MatchesMask("Q", "[a-]x]"));
  EXPECT_TRUE(MatchesMask("\\", "[a-]x]"));
  EXPECT_TRUE(MatchesMask("x", "[a-]x]"));
  EXPECT_FALSE(MatchesMask("^", "[a-]x]"));
  // A reversed range adds nothing beyond its start.
  EXPECT_TRUE(MatchesMask("Z", "[Z-A]"));
  EXPECT_FALSE(MatchesMask("M", "[Z-A]"));
  // After a range the next "-" starts again from the range's start (A..]),
  // and the second "]" closes the set.
  EXPECT_TRUE(MatchesMask("Q", "[A-C-]]"));
  EXPECT_FALSE(MatchesMask("-", "[A-C-]]"));
  EXPECT_FALSE(MatchesMask("Q]", "[A-C-]]"));
  EXPECT_TRUE(MatchesMask(".TXT", "*[T]"));
  EXPECT_TRUE(MatchesMask("AXXB", "A*[!A]"));
}

TEST(FileMask, InvalidMasksNameTheMaskAndThePosition) {
  EXPECT_EQ(maskError(".[ABC"), "'.[ABC' is an invalid mask at (6)");
  EXPECT_EQ(maskError(".[]"), "'.[]' is an invalid mask at (3)");
  EXPECT_EQ(maskError(".[!]"), "'.[!]' is an invalid mask at (4)");
  EXPECT_EQ(maskError(".[-A]"), "'.[-A]' is an invalid mask at (3)");
  EXPECT_EQ(maskError(".[!-A]"), "'.[!-A]' is an invalid mask at (4)");
  EXPECT_EQ(maskError(".[A-"), "'.[A-' is an invalid mask at (5)");
  EXPECT_EQ(maskError(".[я]"), "'.[я]' is an invalid mask at (4)");  // no member left
  EXPECT_EQ(maskError("年["), "'年[' is an invalid mask at (3)");
  std::string thirty;
  for (int i = 0; i < 30; ++i) thirty += "*A";
  EXPECT_EQ(maskError(thirty), "valid");
  EXPECT_EQ(maskError(thirty + "*"), "'" + thirty + "*' is an invalid mask at (62)");
  EXPECT_EQ(maskError(thirty + "*B"), "'" + thirty + "*B' is an invalid mask at (62)");
  EXPECT_EQ(maskError(thirty + "**B"), "'" + thirty + "**B' is an invalid mask at (63)");
  EXPECT_EQ(maskError(thirty + "B"), "valid");
}

TEST(FileMask, AgreesWithAPlainBacktrackingMatcher) {
  std::mt19937 rng(20261209);
  const std::vector<std::string> maskParts = {"A", "B", "a", "*", "*", "?", "[AB]", "[!A]", "C"};
  const std::string textChars = "ABaC";
  int matched = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string mask;
    const int parts = static_cast<int>(rng() % 9);
    for (int i = 0; i < parts; ++i) mask += maskParts[rng() % maskParts.size()];
    std::string text;
    const int length = static_cast<int>(rng() % (round % 10 == 0 ? 40 : 9));
    for (int i = 0; i < length; ++i) text += textChars[rng() % textChars.size()];
    const bool expected = referenceMatch(tokenise(mask), 0, text, 0);
    ASSERT_EQ(TMask(mask).Matches(text), expected) << "mask " << mask << " text " << text;
    matched += expected;
  }
  EXPECT_GT(matched, 1000);
}

TEST(FileMask, ManyStarsOnALongTextStayFast) {
  std::string mask;
  for (int i = 0; i < 14; ++i) mask += "*A";
  mask += "*B";
  const TMask m(mask);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(m.Matches(std::string(250, 'A')));
  EXPECT_TRUE(m.Matches(std::string(250, 'A') + "B"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
