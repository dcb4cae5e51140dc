// The window's side of the nine progress messages (WM_COPYSTOPPED to
// WM_AUTOSYNCON): turns each into a change of the log pane or of the control
// states, and keeps the window's ClickBtn, BtnCaption and LastCopyLine. Works
// against LogLines and WindowControls only, so the Qt window binds it to its
// widgets and the command line to in-memory ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/log_lines.h"
#include "engine/window_controls.h"
#include "inventory/pglobal.h"
#include "platform/messages.h"

// Not thread-safe: every call belongs to the window's thread (the job sends
// its messages synchronously, so they arrive there one at a time). The pane
// and the controls must outlive the renderer.
class MessageRenderer {
 public:
  MessageRenderer(LogLines& log, WindowControls& controls);

  // Applies one message. True for the nine progress messages (handled), false
  // for any other number (nothing changed). Texts arrive as textParam() and
  // copy records as copyInfoParam() in wParam; they are only read during the
  // call. A text or copy message whose wParam is 0 changes nothing. lParam is
  // ignored. Throws only what the pane or the controls throw.
  bool handle(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);

  // The sync button that starts the next job; set by the window before it
  // starts the job, kept after the job. Throws EArgumentException for a
  // control other than the sync buttons (isSyncButton). Without it, WM_SYNCBEGIN and
  // WM_SYNCEND change only the controls that do not depend on it.
  void setClickBtn(WindowControl button);
  std::optional<WindowControl> ClickBtn() const { return clickBtn_; }
  // ClickBtn's caption before the running (or last) job.
  const std::string& BtnCaption() const { return btnCaption_; }
  // The line the last WM_COPYSTART left last in the pane; the base of every
  // progress text.
  const std::string& LastCopyLine() const { return lastCopyLine_; }

 private:
  void copyStopped();
  void logLine(std::string_view text);
  void logAppend(std::string_view text);
  void copyStart(const TCopyInfo& info);
  void copyProgress(const TCopyInfo& info);
  void syncBegin();
  void syncEnd();
  void autoSyncStopped();
  void autoSyncOn();
  void setSyncControlsEnabled(bool enabled);

  LogLines& log_;
  WindowControls& controls_;
  std::optional<WindowControl> clickBtn_;
  std::string btnCaption_;
  std::string lastCopyLine_;
};

// A handler for platform::InlineReceiver that feeds the renderer. The nine
// messages return 0; any other message goes to `others` (0 when empty). The
// renderer must outlive the handler.
platform::InlineReceiver::Handler makeRendererHandler(MessageRenderer& renderer,
                                                      platform::InlineReceiver::Handler others = {});

// Splits a log text at CR LF, a lone LF or a lone CR. A final line break
// yields no empty last line; an empty text is one empty line. Calls `add` once
// per line, in order. The job ends its lines with CR LF only; a lone LF or CR
// (a file name may hold one) breaks too, so no line handed to LogLines holds a
// break and the pane's count stays what a text widget shows.
template <class Add>
void forEachLogLine(std::string_view text, Add&& add) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    add(text.substr(start, i - start));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size() || start == 0) add(text.substr(start));
}

// "%.0f" of copied / total * 100; "100" when total is 0 (an empty file).
std::string copyPercentText(std::int64_t copied, std::int64_t total);

// True when the line, stripped of leading and trailing characters up to
// U+0020, holds at most four characters (code points; a byte that is not
// valid UTF-8 counts as one).
bool isShortLogLine(std::string_view line);
