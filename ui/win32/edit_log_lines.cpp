#include "ui/win32/edit_log_lines.h"

#include "platform/wide_text.h"

namespace win32ui {

namespace {

// A line as the edit's text: a CR or LF inside it (a file name may hold one)
// would start a line of its own.
std::wstring paneLine(std::string_view line) {
  std::wstring text = platform::toWide(line);
  for (wchar_t& c : text)
    if (c == L'\r' || c == L'\n') c = L' ';
  text += L"\r\n";
  return text;
}

}  // namespace

EditLogLines::EditLogLines(HWND edit, HWND timerWindow, UINT_PTR timerId)
    : edit_(edit), timerWindow_(timerWindow), timerId_(timerId) {
  // A multi-line edit takes 30 000 characters unless told otherwise.
  SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
}

std::size_t EditLogLines::length() const { return static_cast<std::size_t>(GetWindowTextLengthW(edit_)); }

EditLogLines::Known& EditLogLines::known() const {
  if (known_) return *known_;
  Known k;
  std::wstring text(length() + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()))));
  std::size_t start = 0, previousStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\r' && text[i] != L'\n') continue;
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    ++k.count;
    previousStart = start;
    start = i + 1;
  }
  k.endsWithBreak = start == text.size();
  if (!k.endsWithBreak) {
    ++k.count;
    previousStart = start;
  }
  k.lastStart = k.count ? previousStart : 0;
  if (k.count) {
    std::wstring_view lastText(text);
    lastText = lastText.substr(k.lastStart);
    while (!lastText.empty() && (lastText.back() == L'\n' || lastText.back() == L'\r')) lastText.remove_suffix(1);
    k.last = platform::fromWide(lastText);
  }
  known_ = std::move(k);
  return *known_;
}

void EditLogLines::replaceRange(std::size_t from, std::size_t to, const std::wstring& text) {
  ownChange_ = true;
  SendMessageW(edit_, EM_SETSEL, from, to);
  SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  ownChange_ = false;
}

void EditLogLines::add(std::string_view line) {
  Known& k = known();
  holdPaint();
  std::size_t end = length();
  if (!k.endsWithBreak) {
    replaceRange(end, end, L"\r\n");
    end += 2;
  }
  replaceRange(end, end, paneLine(line));
  k.count += 1;
  k.lastStart = end;
  k.last = std::string(line);
  k.endsWithBreak = true;
}

std::string EditLogLines::last() const { return known().last; }

void EditLogLines::replaceLast(std::string_view line) {
  Known& k = known();
  if (k.count == 0) {
    add(line);
    return;
  }
  holdPaint();
  const std::wstring text = paneLine(line);
  // Only the characters that differ: a progress text rewrites its percentage.
  const std::wstring old = paneLine(k.last);
  std::size_t same = 0;
  while (same < old.size() && same < text.size() && old[same] == text[same]) ++same;
  if (!k.endsWithBreak) same = std::min(same, old.size() - 2);
  replaceRange(k.lastStart + same, length(), text.substr(same));
  k.last = std::string(line);
  k.endsWithBreak = true;
}

void EditLogLines::deleteLast() {
  Known& k = known();
  if (k.count == 0) return;
  holdPaint();
  replaceRange(k.lastStart, length(), L"");
  // Where the line before starts is read back at the next call.
  known_.reset();
}

std::size_t EditLogLines::count() const { return known().count; }

void EditLogLines::clear() {
  ownChange_ = true;
  SetWindowTextW(edit_, L"");
  ownChange_ = false;
  known_ = Known{};
}

void EditLogLines::beginUpdate() { holdPaint(); }

void EditLogLines::holdPaint() {
  if (held_) return;
  held_ = true;
  SendMessageW(edit_, WM_SETREDRAW, FALSE, 0);
  SetTimer(timerWindow_, timerId_, kPaintInterval, nullptr);
}

void EditLogLines::scrollToEnd() {
  if (held_) {
    scrollDue_ = true;
    return;
  }
  const LRESULT lines = SendMessageW(edit_, EM_GETLINECOUNT, 0, 0);
  SendMessageW(edit_, EM_LINESCROLL, 0, lines);
}

void EditLogLines::paintNow() {
  KillTimer(timerWindow_, timerId_);
  if (!held_) return;
  held_ = false;
  SendMessageW(edit_, WM_SETREDRAW, TRUE, 0);
  if (scrollDue_) {
    scrollDue_ = false;
    scrollToEnd();
  }
  InvalidateRect(edit_, nullptr, TRUE);
}

void EditLogLines::textEdited() {
  if (!ownChange_) known_.reset();
}

}  // namespace win32ui
