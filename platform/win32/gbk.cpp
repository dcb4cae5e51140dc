// GBK through the system's code page 936, one character at a time so that
// each invalid byte becomes its own U+FFFD.
#include <windows.h>

#include "platform/text_encoding.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool decode(std::string_view bytes, std::wstring& wide) {
  wchar_t buffer[4];
  const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), buffer, 4);
  if (n <= 0) return false;
  wide.append(buffer, static_cast<std::size_t>(n));
  return true;
}

}  // namespace

std::string gbkToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  std::wstring wide;
  auto flush = [&] {
    out.append(win32::narrow(wide));
    wide.clear();
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      wide.push_back(static_cast<wchar_t>(b));
      ++i;
    } else if (b >= 0x81 && b <= 0xFE && i + 1 < bytes.size() && decode(bytes.substr(i, 2), wide)) {
      i += 2;
    } else {
      flush();
      out.append(kReplacement);
      ++i;
    }
  }
  flush();
  return out;
}

}  // namespace platform
