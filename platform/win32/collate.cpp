// Locale order through the system's own comparison of the user's locale,
// letter case ignored, and its sort keys.
#include <windows.h>

#include <string>

#include "platform/collate.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

constexpr DWORD kFlags = NORM_IGNORECASE;

int sign(int v) { return (v > 0) - (v < 0); }
int compareBytes(std::string_view a, std::string_view b) { return sign(a.compare(b)); }

}  // namespace

std::string collationLocale() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) == 0) return "";
  std::string locale = win32::narrow(name);
  for (char& c : locale)
    if (c == '-') c = '_';
  return locale;
}

int compareTextIgnoringCase(std::string_view a, std::string_view b) {
  const std::wstring wa = win32::widen(a), wb = win32::widen(b);
  const int r = CompareStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, wa.data(), static_cast<int>(wa.size()), wb.data(),
                                static_cast<int>(wb.size()), nullptr, nullptr, 0);
  if (r == 0) return compareBytes(a, b);
  return r - CSTR_EQUAL;
}

int compareText(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  const int r = compareTextIgnoringCase(a, b);
  return r != 0 ? r : compareBytes(a, b);
}

void appendCollationKey(std::string& out, std::string_view text) {
  const std::wstring wide = win32::widen(text);
  const int length = static_cast<int>(wide.size());
  const int needed =
      LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | kFlags, wide.data(), length, nullptr, 0, nullptr, nullptr, 0);
  if (needed <= 0) {
    out.push_back('\0');
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(needed));
  // The key's byte count includes its terminating NUL, which keeps the
  // tie-break of appendSortKey from mixing into the key.
  const int written = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | kFlags, wide.data(), length,
                                    reinterpret_cast<LPWSTR>(out.data() + start), needed, nullptr, nullptr, 0);
  out.resize(start + static_cast<std::size_t>(written > 0 ? written : 0));
  if (written <= 0 || out.back() != '\0') out.push_back('\0');
}

}  // namespace platform
