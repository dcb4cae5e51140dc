#include "platform/text_encoding.h"

#include <unicode/unistr.h>

namespace platform {
namespace {

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
    const auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
    units[i] = static_cast<char16_t>((hi << 8) | lo);
  }
  std::string out;
  // ICU replaces unpaired surrogates with U+FFFD.
  icu::UnicodeString(units.data(), static_cast<int32_t>(units.size())).toUTF8String(out);
  return out;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t cp = 0, min = 0;
    if ((c & 0xE0) == 0xC0) length = 2, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0) length = 3, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0) length = 4, cp = c & 0x07, min = 0x10000;
    else return false;
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string decodeText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return utf16ToUtf8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return utf16ToUtf8(bytes.substr(2), true);
  const bool marked = bytes.starts_with("\xEF\xBB\xBF");
  if (marked) bytes.remove_prefix(3);
  if (isValidUtf8(bytes)) return std::string(bytes);
  if (!marked) return gbkToUtf8(bytes);
  std::string out;  // marked as UTF-8 but damaged: ICU marks the bad bytes
  icu::UnicodeString::fromUTF8(icu::StringPiece(bytes.data(), static_cast<int32_t>(bytes.size())))
      .toUTF8String(out);
  return out;
}

}  // namespace platform
