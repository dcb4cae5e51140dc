#include "ui/win32/hwnd_controls.h"

#include <stdexcept>

#include "platform/wide_text.h"

namespace win32ui {

namespace {

bool isCheckBox(HWND button) {
  const LONG_PTR type = GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_AUTOCHECKBOX || type == BS_CHECKBOX;
}

}  // namespace

void HwndControls::bind(WindowControl control, HWND button) {
  bindings_.at(static_cast<std::size_t>(control)) = {button, nullptr, 0};
}

void HwndControls::bind(WindowControl control, HMENU menu, UINT item) {
  bindings_.at(static_cast<std::size_t>(control)) = {nullptr, menu, item};
}

const HwndControls::Binding& HwndControls::at(WindowControl control) const {
  const Binding& b = bindings_.at(static_cast<std::size_t>(control));
  if (!b.button && !b.menu) throw std::logic_error("window control not bound");
  return b;
}

void HwndControls::setEnabled(WindowControl control, bool enabled) {
  const Binding& b = at(control);
  if (b.button)
    EnableWindow(b.button, enabled);
  else
    EnableMenuItem(b.menu, b.item, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void HwndControls::setChecked(WindowControl control, bool checked) {
  const Binding& b = at(control);
  if (b.button) {
    if (isCheckBox(b.button)) SendMessageW(b.button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  } else {
    CheckMenuItem(b.menu, b.item, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

std::string HwndControls::caption(WindowControl control) const {
  const Binding& b = at(control);
  std::wstring text;
  if (b.button) {
    text.resize(static_cast<std::size_t>(GetWindowTextLengthW(b.button)) + 1);
    text.resize(static_cast<std::size_t>(GetWindowTextW(b.button, text.data(), static_cast<int>(text.size()))));
  } else {
    const int length = GetMenuStringW(b.menu, b.item, nullptr, 0, MF_BYCOMMAND);
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
    text.resize(static_cast<std::size_t>(
        GetMenuStringW(b.menu, b.item, text.data(), static_cast<int>(text.size()), MF_BYCOMMAND)));
  }
  return platform::fromWide(text);
}

void HwndControls::setCaption(WindowControl control, std::string_view caption) {
  const Binding& b = at(control);
  std::wstring text = platform::toWide(caption);
  if (b.button) {
    SetWindowTextW(b.button, text.c_str());
    return;
  }
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text.data();
  SetMenuItemInfoW(b.menu, b.item, FALSE, &info);
}

bool HwndControls::enabled(WindowControl control) const {
  const Binding& b = at(control);
  if (b.button) return IsWindowEnabled(b.button);
  return (GetMenuState(b.menu, b.item, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool HwndControls::checked(WindowControl control) const {
  const Binding& b = at(control);
  if (b.button) return SendMessageW(b.button, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return (GetMenuState(b.menu, b.item, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

}  // namespace win32ui
