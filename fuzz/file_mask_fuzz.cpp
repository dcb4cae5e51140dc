// Fuzzes the file-mask reader and matcher with any mask and any name (the
// first two bytes give the mask's length). Beyond not crashing and not
// hanging: ASCII letter case never matters, and masks without sets agree
// with a plain reference matcher built from the mask language's definition.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "inventory/file_mask.h"
#include "platform/exceptions.h"
#include "platform/utf8.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// Characters as the mask language counts them: a well-formed UTF-8
// character, or one invalid byte standing for itself.
std::vector<char32_t> characters(std::string_view s) {
  std::vector<char32_t> out;
  for (std::size_t pos = 0; pos < s.size();) {
    const platform::Utf8Char c = platform::decodeUtf8(s.substr(pos));
    if (c.length == 0) {
      out.push_back(0x110000 + static_cast<unsigned char>(s[pos]));
      ++pos;
    } else {
      out.push_back(c.codePoint);
      pos += c.length;
    }
  }
  return out;
}

char32_t fold(char32_t c) { return c >= U'a' && c <= U'z' ? c - 32 : c; }

struct Token {
  bool any;        // "?"
  char32_t literal;
  bool afterStar;  // a run of characters may come first
};

// A mask without sets as tokens: "?" right after "*" adds nothing, a NUL
// ends the mask, and a final star stands alone.
bool reference(const std::vector<char32_t>& mask, const std::vector<char32_t>& text) {
  std::vector<Token> tokens;
  bool star = false;
  for (char32_t c : mask) {
    if (c == 0) break;
    if (c == U'*') {
      star = true;
    } else if (c == U'?') {
      if (!star) tokens.push_back({true, 0, false});
    } else {
      tokens.push_back({false, fold(c), star});
      star = false;
    }
  }
  const bool trailingStar = star;
  // matched[i][j]: the first i tokens match the first j characters.
  const std::size_t n = text.size();
  std::vector<std::vector<bool>> matched(tokens.size() + 1, std::vector<bool>(n + 1, false));
  matched[0][0] = true;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    bool reachable = false;  // some earlier j matched, for a token after a star
    for (std::size_t j = 0; j < n; ++j) {
      reachable = reachable || matched[i][j];
      const bool from = tokens[i].afterStar ? reachable : matched[i][j];
      if (from && (tokens[i].any || fold(text[j]) == tokens[i].literal)) matched[i + 1][j + 1] = true;
    }
  }
  if (!trailingStar) return matched[tokens.size()][n];
  for (std::size_t j = 0; j <= n; ++j)
    if (matched[tokens.size()][j]) return true;
  return false;
}

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t maskLength = std::min<std::size_t>((data[0] << 8 | data[1]) % 512, size - 2);
  const std::string mask(reinterpret_cast<const char*>(data + 2), maskLength);
  const std::string text(reinterpret_cast<const char*>(data + 2 + maskLength), size - 2 - maskLength);
  try {
    const TMask m(mask);
    const bool result = m.Matches(text);
    check(m.Matches(upperAscii(text)) == result);
    if (mask.find('[') == std::string::npos) check(result == reference(characters(mask), characters(text)));
  } catch (const EMaskException&) {
  }
  return 0;
}
