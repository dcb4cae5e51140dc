// The rules of path text on this system, for the code that joins, splits
// and checks paths: the delimiter, which paths are rooted, the characters
// a path or a name may not hold, the extended-length prefix and the volume
// separator. POSIX: "/" only, any byte but NUL (and "/" in a name). Windows:
// "\" and "/", drive letters "E:", "\\?\" and "\\?\UNC\" prefixes, and the
// control characters, `"`, `<`, `>`, `|` (and in a name also `*`, `/`, `:`,
// `?`, `\`) refused. Thread-safe; nothing here touches the disk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The delimiter this system writes between names.
extern const char kPathDelimiter;

// True for a character that separates names ("/" on POSIX; "\" and "/" on Windows).
bool isPathDelimiter(char c) noexcept;

// The position of the last delimiter in path, npos when there is none.
std::size_t lastDelimiter(std::string_view path) noexcept;

// The length of an extended-length prefix at the start of path (0 for none).
std::size_t extendedPrefixLength(std::string_view path) noexcept;

// True when path names its place without a folder to start from: it starts
// with a delimiter, an extended-length prefix or a drive part ("E:").
bool isRootedPath(std::string_view path) noexcept;

// The first character of path (UTF-8) that no path may hold; false when none.
bool hasInvalidPathChar(std::string_view path) noexcept;
// The same for one name of a path (and for a search pattern, wildcards aside).
bool isInvalidFileNameChar(char32_t c) noexcept;

// True when a volume separator stands where it may not: anywhere after the
// prefix but as the second character of a drive part.
bool hasMisplacedVolumeSeparator(std::string_view path) noexcept;

// True when a name joined to folder needs a delimiter between them (folder
// does not already end in one, nor, on Windows, in a drive's ":").
bool needsDelimiterAfter(std::string_view folder) noexcept;

// The length of path as the system's limit counts it: bytes on POSIX,
// UTF-16 units on Windows.
std::size_t pathLength(std::string_view path) noexcept;

// A relative path read from the configuration file, which either system
// may have written, in this system's delimiters.
std::string storedPathToNative(std::string_view path);

}  // namespace platform
