// Letter-case folding through the system's invariant lower-casing, the
// mapping its file systems compare names with.
#include <windows.h>

#include <algorithm>

#include "platform/case_fold.h"
#include "platform/utf8.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

std::wstring mapped(const std::wstring& text, DWORD how) {
  std::wstring out(text.size() * 2 + 4, L'\0');
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, how, text.data(), static_cast<int>(text.size()), out.data(),
                                   static_cast<int>(out.size()), nullptr, nullptr, 0);
  out.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return length > 0 ? out : text;
}

// Upper case first, as Windows file systems compare names, then lower. The
// final sigma folds to the inner one, as in Unicode's simple folding; not
// every system's upper-casing table maps it (Wine's does not).
void foldRun(std::string_view run, std::string& out) {
  std::wstring folded = mapped(mapped(win32::widen(run), LCMAP_UPPERCASE), LCMAP_LOWERCASE);
  for (wchar_t& c : folded)
    if (c == L'\u03C2') c = L'\u03C3';
  out.append(win32::narrow(folded));
}

}  // namespace

bool foldCase(std::string_view text, std::string& out) {
  out.clear();
  if (std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    out.assign(text);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return true;
  }
  // Well-formed runs are folded; a byte that is not UTF-8 stays as it is.
  std::size_t runStart = 0, pos = 0;
  while (pos < text.size()) {
    const std::size_t length = decodeUtf8(text.substr(pos)).length;
    if (length > 0) {
      pos += length;
      continue;
    }
    if (pos > runStart) foldRun(text.substr(runStart, pos - runStart), out);
    out.push_back(text[pos]);
    runStart = ++pos;
  }
  if (pos > runStart) foldRun(text.substr(runStart, pos - runStart), out);
  return true;
}

}  // namespace platform
