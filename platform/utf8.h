// Reading UTF-8 one character at a time, strictly: overlong forms, encoded
// surrogates and values beyond U+10FFFF are not characters. Names on Linux
// need not be valid UTF-8, so each caller decides what an invalid byte is.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

struct Utf8Char {
  char32_t codePoint = 0;
  std::size_t length = 0;  // bytes, 1 to 4; 0 when not a character
};

// The character at the start of `text`. Length 0 when `text` is empty or
// does not start with a well-formed sequence (a cut one included).
// Thread-safe.
constexpr Utf8Char decodeUtf8(std::string_view text) noexcept {
  if (text.empty()) return {};
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    return {};
  }
  if (text.size() < length) return {};
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[k]);
    if ((next & 0xC0) != 0x80) return {};
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
  return {c, length};
}

}  // namespace platform
