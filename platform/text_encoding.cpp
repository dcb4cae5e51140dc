#include "platform/text_encoding.h"

#include <unicode/unistr.h>

#include "platform/utf8.h"

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

std::string decodeWithoutFirstMark(std::string_view bytes) {
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

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t length = decodeUtf8(bytes).length;
    if (length == 0) return false;
    bytes.remove_prefix(length);
  }
  return true;
}

std::string decodeText(std::string_view bytes) {
  std::string text = decodeWithoutFirstMark(bytes);
  // A tool that adds a mark to a marked file doubles it. A mark left at the
  // start would hide the first line's meaning here, and written back as
  // UTF-8 it would be taken for the mark next time: the same file would then
  // read differently once saved.
  std::size_t marks = 0;
  while (text.compare(marks, 3, "\xEF\xBB\xBF") == 0) marks += 3;
  text.erase(0, marks);
  return text;
}

}  // namespace platform
