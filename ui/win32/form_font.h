// The window's font: Tahoma where it is installed, else a font that has the
// Chinese characters of the captions.
#pragma once

#include <string>

#include "ui/win32/win_handles.h"

namespace win32ui {

// The family the form uses; empty when none of the candidates is installed
// (the system's default face is used then).
const std::wstring& FormFontFamily();
// The form's font, `pixelHeight` pixels high (11 is Tahoma 8 point).
HFONT CreateFormFont(int pixelHeight);

}  // namespace win32ui
