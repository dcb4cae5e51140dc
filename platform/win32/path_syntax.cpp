// Path text on Windows: "\" and "/" between names, drive parts, the
// extended-length prefixes and the characters Windows refuses.
#include "platform/path_syntax.h"

namespace platform {
namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

const char kPathDelimiter = '\\';

bool isPathDelimiter(char c) noexcept { return c == '\\' || c == '/'; }

std::size_t lastDelimiter(std::string_view path) noexcept { return path.find_last_of("\\/"); }

std::size_t extendedPrefixLength(std::string_view path) noexcept {
  if (path.starts_with("\\\\?\\UNC\\")) return 8;
  if (path.starts_with("\\\\?\\")) return 4;
  return 0;
}

bool isRootedPath(std::string_view path) noexcept {
  const std::size_t prefix = extendedPrefixLength(path);
  if (prefix > 0) return true;
  if (path.size() >= 2 && path[1] == ':') return true;
  return !path.empty() && isPathDelimiter(path.front());
}

bool hasInvalidPathChar(std::string_view path) noexcept {
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || c == '"' || c == '<' || c == '>' || c == '|') return true;
  }
  return false;
}

bool isInvalidFileNameChar(char32_t c) noexcept {
  return c < 0x20 || c == U'"' || c == U'*' || c == U'/' || c == U':' || c == U'<' || c == U'>' || c == U'?' ||
         c == U'\\' || c == U'|';
}

bool hasMisplacedVolumeSeparator(std::string_view path) noexcept {
  path.remove_prefix(extendedPrefixLength(path));
  std::size_t from = 0;
  if (path.size() >= 2 && isLetter(path[0]) && path[1] == ':') from = 2;
  return path.find(':', from) != std::string_view::npos;
}

bool needsDelimiterAfter(std::string_view folder) noexcept {
  return !folder.empty() && !isPathDelimiter(folder.back()) && folder.back() != ':';
}

std::size_t pathLength(std::string_view path) noexcept {
  std::size_t units = 0;
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) ++units;   // a lead byte starts a character
    if ((b & 0xF8) == 0xF0) ++units;   // beyond the BMP: two units
  }
  return units;
}

std::string storedPathToNative(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

}  // namespace platform
