#include "ui/win32/form_font.h"

namespace win32ui {

namespace {

int CALLBACK found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM flag) {
  *reinterpret_cast<bool*>(flag) = true;
  return 0;
}

bool installed(const wchar_t* family) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, family, LF_FACESIZE - 1);
  bool any = false;
  const HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &wanted, &found, reinterpret_cast<LPARAM>(&any), 0);
  ReleaseDC(nullptr, dc);
  return any;
}

}  // namespace

const std::wstring& FormFontFamily() {
  static const std::wstring family = [] {
    for (const wchar_t* name : {L"Tahoma", L"Microsoft YaHei", L"SimSun", L"Noto Sans CJK SC", L"WenQuanYi Micro Hei",
                                L"Droid Sans Fallback"})
      if (installed(name)) return std::wstring(name);
    return std::wstring();
  }();
  return family;
}

HFONT CreateFormFont(int pixelHeight) {
  LOGFONTW font{};
  font.lfHeight = -pixelHeight;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  wcsncpy(font.lfFaceName, FormFontFamily().c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&font);
}

}  // namespace win32ui
