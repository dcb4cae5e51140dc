// Path text on POSIX: one delimiter, one root, and any byte but NUL.
#include "platform/path_syntax.h"

namespace platform {

const char kPathDelimiter = '/';

bool isPathDelimiter(char c) noexcept { return c == '/'; }

std::size_t lastDelimiter(std::string_view path) noexcept { return path.rfind('/'); }

std::size_t extendedPrefixLength(std::string_view) noexcept { return 0; }

bool isRootedPath(std::string_view path) noexcept { return !path.empty() && path.front() == '/'; }

bool hasInvalidPathChar(std::string_view path) noexcept { return path.find('\0') != std::string_view::npos; }

bool isInvalidFileNameChar(char32_t c) noexcept { return c == 0 || c == U'/'; }

bool hasMisplacedVolumeSeparator(std::string_view) noexcept { return false; }

bool needsDelimiterAfter(std::string_view folder) noexcept { return !folder.empty() && folder.back() != '/'; }

std::size_t pathLength(std::string_view path) noexcept { return path.size(); }

// Windows writes ""; a FAT or exFAT drive cannot hold it in a name, so in
// a stored folder it is always a delimiter.
std::string storedPathToNative(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

}  // namespace platform
