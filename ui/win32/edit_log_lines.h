// The log pane Memo2 as the message renderer sees it: LogLines over a
// multi-line edit. Each line is followed by CR LF, as a memo adds its lines,
// so an empty pane holds no line and one empty line is told apart from it.
// Changes touch only the end of the text (EM_SETSEL and EM_REPLACESEL), and
// the start of the last line is remembered, so a progress message costs the
// same with 100 000 lines as with ten.
#pragma once

#include "ui/win32/win_api.h"

#include <cstddef>
#include <optional>
#include <string>

#include "engine/log_lines.h"

namespace win32ui {

// Window thread only. The edit must outlive this object. The user may edit
// the pane; textEdited() then makes the next call read it back.
class EditLogLines : public LogLines {
 public:
  // The paint timer runs on `timerWindow` with `timerId`; its WM_TIMER goes
  // to paintNow().
  EditLogLines(HWND edit, HWND timerWindow, UINT_PTR timerId);

  void add(std::string_view line) override;
  std::string last() const override;
  void replaceLast(std::string_view line) override;
  void deleteLast() override;
  std::size_t count() const override;
  void clear() override;
  void beginUpdate() override;
  void endUpdate() override {}
  void scrollToEnd() override;

  // A job sends thousands of messages a second; the pane is painted at the
  // display's pace: the first change after a paint holds painting until
  // kPaintInterval has passed.
  static constexpr UINT kPaintInterval = 33;  // milliseconds
  // Paints and scrolls now what is held.
  void paintNow();
  bool paintHeld() const { return held_; }

  // The edit's EN_CHANGE: a change not made here drops what is remembered.
  void textEdited();

 private:
  struct Known {
    std::size_t count = 0;
    std::size_t lastStart = 0;  // UTF-16 offset where the last line starts
    std::string last;
    bool endsWithBreak = true;
  };
  // What is remembered, read back from the edit when a change was not ours.
  Known& known() const;
  std::size_t length() const;
  void replaceRange(std::size_t from, std::size_t to, const std::wstring& text);
  void holdPaint();

  HWND edit_;
  HWND timerWindow_;
  UINT_PTR timerId_;
  mutable std::optional<Known> known_;
  bool ownChange_ = false;
  bool held_ = false;
  bool scrollDue_ = false;
};

}  // namespace win32ui
