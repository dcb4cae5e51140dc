// The file-mask language of the type filter and of walk patterns:
//   *        any run of characters, also none (several in a row count once)
//   ?        exactly one character; a ? right after a * adds nothing
//   [set]    one character of the set: characters and ranges such as A-F; a
//            ! right after [ negates it; characters above U+00FF are never
//            members
//   other    itself; the letters a-z equal A-Z (no other case folding)
// A mask must match the whole text. Text and mask are UTF-8 and are matched
// by character (code point); a byte that is not part of valid UTF-8 counts
// as one character of its own, equal only to the same byte.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TMask {
 public:
  // Reads the mask. Raises EMaskException "'%s' is an invalid mask at (%d)"
  // (the mask, the 1-based character position where reading failed) when a
  // set is not closed, is empty or has "-" before any character, or when the
  // mask has more than 30 * groups.
  explicit TMask(std::string_view mask);

  // True when the mask matches the whole of text. Never throws. Thread-safe
  // for concurrent calls on one mask.
  bool Matches(std::string_view text) const;

 private:
  enum class Kind : std::uint8_t { Literal, Any, Set, End };
  struct Step {
    Kind kind = Kind::End;
    bool skipTo = false;  // one or more * precede this step
    bool negate = false;
    char32_t literal = 0;
    std::bitset<256> set;
  };

  bool accepts(const Step& step, char32_t c) const;

  std::vector<Step> steps_;
};

// TMask(mask).Matches(text).
bool MatchesMask(std::string_view text, std::string_view mask);
