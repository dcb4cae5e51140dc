#include "platform/integer_text.h"

#include <gtest/gtest.h>

using platform::splitIntegerText;

TEST(IntegerText, SplitsSignBaseAndMagnitude) {
  struct Case {
    const char* text;
    bool negative, hexadecimal;
    std::uint64_t magnitude;
  };
  const Case numbers[] = {
      {"0", false, false, 0},
      {"+17", false, false, 17},
      {"-17", true, false, 17},
      {"$1f", false, true, 31},
      {"-$1F", true, true, 31},
      {"0x10", false, true, 16},
      {"+0X10", false, true, 16},
      {"00", false, false, 0},
      {"18446744073709551615", false, false, UINT64_MAX},
      {"$FFFFFFFFFFFFFFFF", false, true, UINT64_MAX},
  };
  for (const Case& c : numbers) {
    SCOPED_TRACE(c.text);
    const auto parts = splitIntegerText(c.text);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->negative, c.negative);
    EXPECT_EQ(parts->hexadecimal, c.hexadecimal);
    EXPECT_EQ(parts->magnitude, c.magnitude);
  }
  for (const char* text : {"", "-", "+", "$", "0x", "-$", "--1", "+-1", "$-1", "0x-1", "$0x1", " 1",
                           "1 ", "1.0", "12ab", "$G", "18446744073709551616",
                           "$10000000000000000"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(splitIntegerText(text).has_value());
  }
}
