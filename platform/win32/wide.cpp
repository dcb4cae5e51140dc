#include "platform/win32/wide.h"

#include <windows.h>

namespace platform::win32 {

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), length);
  return out;
}

std::string narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

std::wstring widePath(std::string_view path) {
  std::wstring wide = widen(path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (wide.size() < MAX_PATH || wide.starts_with(L"\\\\?\\")) return wide;
  if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return wide;
}

}  // namespace platform::win32
