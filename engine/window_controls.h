// The main window's controls whose enabled, checked and caption states follow
// a running job: the options button, the three sync buttons and the preview
// button, the tray items
// of the three job kinds, and the automatic-mode tray item and check box.
// Holds the abstract interface a window binds to its widgets and
// MemoryControls, the in-memory set of the command line and the tests.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

enum class WindowControl : std::size_t {
  Button1,
  BtnSync,
  BtnSyncDiskToU,
  BtnSyncUToDisk,
  N1,
  U1,
  U2,
  N3,
  CheckBox1,
  BtnPreview,
};

inline constexpr std::size_t WindowControlCount = 10;

// True for BtnSync, BtnSyncDiskToU, BtnSyncUToDisk and BtnPreview: the
// buttons that start a job and stop it while it runs.
bool isSyncButton(WindowControl control);

// The caption a control has when the window opens.
std::string_view initialCaption(WindowControl control);

// Called on the window's thread only. Setting the checked state of a control
// that cannot be checked (a button) is the binding's business; the renderer
// only checks N1, U1, U2 and N3.
class WindowControls {
 public:
  virtual ~WindowControls() = default;
  virtual void setEnabled(WindowControl control, bool enabled) = 0;
  virtual void setChecked(WindowControl control, bool checked) = 0;
  virtual std::string caption(WindowControl control) const = 0;
  virtual void setCaption(WindowControl control, std::string_view caption) = 0;
};

// Starts as the window opens: everything enabled, nothing checked, the
// window's captions.
class MemoryControls : public WindowControls {
 public:
  MemoryControls();
  void setEnabled(WindowControl control, bool enabled) override { at(control).enabled = enabled; }
  void setChecked(WindowControl control, bool checked) override { at(control).checked = checked; }
  std::string caption(WindowControl control) const override { return at(control).caption; }
  void setCaption(WindowControl control, std::string_view caption) override { at(control).caption = caption; }

  bool enabled(WindowControl control) const { return at(control).enabled; }
  bool checked(WindowControl control) const { return at(control).checked; }

 private:
  struct State {
    bool enabled = true;
    bool checked = false;
    std::string caption;
  };
  State& at(WindowControl control) { return states_.at(static_cast<std::size_t>(control)); }
  const State& at(WindowControl control) const { return states_.at(static_cast<std::size_t>(control)); }

  std::array<State, WindowControlCount> states_;
};
