// The written form of an integer shared by the entry strings and the
// configuration file: an optional sign, then decimal digits, or hexadecimal
// ones after "$" or "0x"/"0X". Each reader applies its own range to the
// parts; this only takes the text apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

struct IntegerText {
  bool negative = false;
  bool hexadecimal = false;
  std::uint64_t magnitude = 0;
};

// Splits text into sign, base and magnitude. The text must be all of it: no
// blanks, one sign at most, and a prefix counts only with a digit after it
// ("$" alone and "0x" alone are not numbers). nullopt for anything else, and
// for a magnitude beyond 64 bits. Thread-safe.
std::optional<IntegerText> splitIntegerText(std::string_view text);

}  // namespace platform
