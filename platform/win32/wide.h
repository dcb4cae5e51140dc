// Text at the Windows boundary: the program keeps UTF-8 inside and hands the
// system UTF-16. Paths go to the wide calls with "\" as delimiter, and those
// too long for the classic limit get the extended-length prefix.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring widen(std::string_view text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string narrow(std::wstring_view text);

// A path as the wide file calls take it: "/" turned into "\", and a full
// drive or network path of 260 characters or more given the "\\?\" prefix.
std::wstring widePath(std::string_view path);

}  // namespace platform::win32
