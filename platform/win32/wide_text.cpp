#include "platform/wide_text.h"

#include "platform/win32/wide.h"

namespace platform {

std::wstring toWide(std::string_view text) { return win32::widen(text); }
std::string fromWide(std::wstring_view text) { return win32::narrow(text); }

}  // namespace platform
