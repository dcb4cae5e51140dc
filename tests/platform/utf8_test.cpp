#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>

using platform::decodeUtf8;

TEST(Utf8, DecodesWellFormedSequencesAndNothingElse) {
  struct Case {
    std::string text;
    char32_t codePoint;
    std::size_t length;
  };
  const Case characters[] = {
      {"A", U'A', 1},
      {std::string("\0x", 2), 0, 1},
      {"\xC2\x80", 0x80, 2},
      {"\xC3\xA9x", 0xE9, 2},
      {"\xE4\xB8\xAD", 0x4E2D, 3},
      {"\xEF\xBF\xBF", 0xFFFF, 3},
      {"\xF0\x9F\x98\x80", 0x1F600, 4},
      {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
  };
  for (const Case& c : characters) {
    SCOPED_TRACE(c.text);
    const auto decoded = decodeUtf8(c.text);
    EXPECT_EQ(decoded.codePoint, c.codePoint);
    EXPECT_EQ(decoded.length, c.length);
  }
  const char* notCharacters[] = {
      "",
      "\x80",              // continuation without a lead
      "\xC0\x80",          // overlong NUL
      "\xC1\xBF",          // overlong
      "\xE0\x80\xAF",      // overlong "/"
      "\xF0\x80\x80\x80",  // overlong
      "\xED\xA0\x80",      // encoded surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xF5\x80\x80\x80",
      "\xFF",
      "\xE4\xB8",          // cut short
      "\xE4\x41\x41",      // lead without continuations
  };
  for (const char* text : notCharacters) {
    SCOPED_TRACE(text);
    EXPECT_EQ(decodeUtf8(text).length, 0u);
  }
}
