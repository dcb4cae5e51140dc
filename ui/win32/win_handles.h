// Ownership of the window system's objects: a window, font or menu made by
// the form is destroyed with its owner.
#pragma once

#include "ui/win32/win_api.h"

#include <memory>
#include <type_traits>

namespace win32ui {

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};
struct GdiDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct MenuDestroyer {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};

using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

}  // namespace win32ui
