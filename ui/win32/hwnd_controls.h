// The controls whose states follow a running job, bound to the form's real
// buttons and menu items: WindowControls over HWNDs and HMENU items.
#pragma once

#include "ui/win32/win_api.h"

#include <array>

#include "engine/window_controls.h"

namespace win32ui {

// Window thread only. The windows and menus must outlive this object.
// Checking a push button does nothing; a check box and a menu item show it.
class HwndControls : public WindowControls {
 public:
  void bind(WindowControl control, HWND button);
  void bind(WindowControl control, HMENU menu, UINT item);

  void setEnabled(WindowControl control, bool enabled) override;
  void setChecked(WindowControl control, bool checked) override;
  std::string caption(WindowControl control) const override;
  void setCaption(WindowControl control, std::string_view caption) override;

  bool enabled(WindowControl control) const;
  bool checked(WindowControl control) const;

 private:
  struct Binding {
    HWND button = nullptr;
    HMENU menu = nullptr;
    UINT item = 0;
  };
  const Binding& at(WindowControl control) const;

  std::array<Binding, WindowControlCount> bindings_{};
};

}  // namespace win32ui
