// The controls whose states follow a running job, bound to the real widgets
// of the main window: WindowControls over its push buttons, tray menu
// actions and the hidden automatic-mode check box.
#pragma once

#include <array>

#include "engine/window_controls.h"

class QAbstractButton;
class QAction;

// GUI thread only. The widgets must outlive this object. Checking a control
// that cannot be checked (a push button) does nothing; a menu item is
// checkable only while checked.
class WidgetControls : public WindowControls {
 public:
  // Binds a control to a button (a push button or check box) or to an action.
  void bind(WindowControl control, QAbstractButton* button);
  void bind(WindowControl control, QAction* action);

  void setEnabled(WindowControl control, bool enabled) override;
  void setChecked(WindowControl control, bool checked) override;
  std::string caption(WindowControl control) const override;
  void setCaption(WindowControl control, std::string_view caption) override;

 private:
  struct Binding {
    QAbstractButton* button = nullptr;
    QAction* action = nullptr;
  };
  const Binding& at(WindowControl control) const;

  std::array<Binding, WindowControlCount> bindings_{};
};
