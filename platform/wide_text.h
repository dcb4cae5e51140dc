// UTF-8 inside, UTF-16 at the Windows boundary: the conversions the Windows
// window needs for its captions and texts. Windows builds only.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring toWide(std::string_view text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string fromWide(std::wstring_view text);

}  // namespace platform
