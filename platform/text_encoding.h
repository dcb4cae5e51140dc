// Turning the bytes of a text file into UTF-8, for files that may have been
// written on another system: UTF-8 with or without its byte-order mark,
// UTF-16 (either byte order) with its mark, otherwise the Chinese Windows
// code page (GBK).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The text as UTF-8, without byte-order marks (a doubled one included).
// Bytes that are invalid in the detected encoding become U+FFFD. Thread-safe.
std::string decodeText(std::string_view bytes);

// True when bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// GBK (code page 936) to UTF-8; invalid bytes become U+FFFD.
std::string gbkToUtf8(std::string_view bytes);

}  // namespace platform
