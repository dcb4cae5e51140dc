#include "ui/widget_controls.h"

#include <QAbstractButton>
#include <QAction>

#include "platform/exceptions.h"

void WidgetControls::bind(WindowControl control, QAbstractButton* button) {
  bindings_.at(static_cast<std::size_t>(control)) = {button, nullptr};
}

void WidgetControls::bind(WindowControl control, QAction* action) {
  bindings_.at(static_cast<std::size_t>(control)) = {nullptr, action};
}

const WidgetControls::Binding& WidgetControls::at(WindowControl control) const {
  const Binding& binding = bindings_.at(static_cast<std::size_t>(control));
  if (!binding.button && !binding.action) throw EArgumentException("The window control is not bound");
  return binding;
}

void WidgetControls::setEnabled(WindowControl control, bool enabled) {
  const Binding& b = at(control);
  if (b.button) b.button->setEnabled(enabled);
  if (b.action) b.action->setEnabled(enabled);
}

void WidgetControls::setChecked(WindowControl control, bool checked) {
  const Binding& b = at(control);
  if (b.button && b.button->isCheckable()) b.button->setChecked(checked);
  if (b.action) {
    // Only a checked item shows a check box: an empty one reads as an option.
    b.action->setCheckable(checked);
    b.action->setChecked(checked);
  }
}

std::string WidgetControls::caption(WindowControl control) const {
  const Binding& b = at(control);
  return (b.button ? b.button->text() : b.action->text()).toStdString();
}

void WidgetControls::setCaption(WindowControl control, std::string_view caption) {
  const Binding& b = at(control);
  const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  if (b.button) b.button->setText(text);
  if (b.action) b.action->setText(text);
}
