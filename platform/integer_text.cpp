#include "platform/integer_text.h"

#include <charconv>

namespace platform {

std::optional<IntegerText> splitIntegerText(std::string_view text) {
  IntegerText parts;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    parts.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // The prefix needs something after it: a lone "$" is no number, and "0x"
  // alone is read as decimal, which then fails on the "x".
  if (text.size() > 1 && text.front() == '$') {
    parts.hexadecimal = true;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    parts.hexadecimal = true;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  // Unsigned from_chars takes no sign of its own, so "--1" and "$-1" fail.
  const char* end = text.data() + text.size();
  const auto [stop, ec] =
      std::from_chars(text.data(), end, parts.magnitude, parts.hexadecimal ? 16 : 10);
  if (ec != std::errc() || stop != end) return std::nullopt;
  return parts;
}

}  // namespace platform
