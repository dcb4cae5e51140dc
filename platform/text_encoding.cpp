#include "platform/text_encoding.h"

#include "platform/utf8.h"

namespace platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Unpaired surrogates become U+FFFD; an odd last byte is dropped.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  const std::size_t count = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    const auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
    const auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
    return static_cast<char32_t>((hi << 8) | lo);
  };
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (std::size_t i = 0; i < count; ++i) {
    const char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.append(kReplacement);
    } else {
      appendUtf8(out, u);
    }
  }
  return out;
}

// How many bytes at the start of text begin a well-formed sequence without
// completing it (at least 1): the maximal part that one U+FFFD replaces.
std::size_t illFormedLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
  else return 1;
  std::size_t k = 1;
  for (; k < length && k < text.size(); ++k) {
    const auto next = static_cast<unsigned char>(text[k]);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) break;
  }
  return k;
}

// UTF-8 with each maximal ill-formed part replaced by one U+FFFD.
std::string repairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 8);
  while (!bytes.empty()) {
    const std::size_t length = decodeUtf8(bytes).length;
    if (length > 0) {
      out.append(bytes.substr(0, length));
      bytes.remove_prefix(length);
    } else {
      out.append(kReplacement);
      bytes.remove_prefix(illFormedLength(bytes));
    }
  }
  return out;
}

std::string decodeWithoutFirstMark(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return utf16ToUtf8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return utf16ToUtf8(bytes.substr(2), true);
  const bool marked = bytes.starts_with("\xEF\xBB\xBF");
  if (marked) bytes.remove_prefix(3);
  if (isValidUtf8(bytes)) return std::string(bytes);
  if (!marked) return gbkToUtf8(bytes);
  return repairUtf8(bytes);  // marked as UTF-8 but damaged
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
