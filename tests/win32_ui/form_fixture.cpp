#include "tests/win32_ui/form_fixture.h"

#include "engine/pThdSync.h"
#include "platform/wide_text.h"
#include "ui/win32/win_api.h"

namespace formtest {

namespace {

void pumpQueued() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pumpQueued();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    // Sent messages from other threads are handled inside the wait too.
    MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void pumpFor(std::chrono::milliseconds time) {
  waitUntil([] { return false; }, time);
}

std::string textOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::fromWide(text);
}

RECT rectInParent(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void click(const TSyncForm& form, int controlId) {
  const HWND control = form.Control(controlId);
  SendMessageW(form.Window(), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

}  // namespace formtest

void FormTest::SetUp() {
  form_ = std::make_unique<TSyncForm>();
  form_->onError = [this](const std::string& text) { errors.push_back(text); };
}

void FormTest::TearDown() {
  // A job still running reports into the form until it ends.
  EXPECT_TRUE(formtest::waitUntil([] { return !SyncRunning; }));
  ThdSync::WaitForAllJobs(std::chrono::seconds(10));
  form_.reset();
}

HWND FormTest::control(const char* name) const {
  const win32ui::ControlRow* row = win32ui::RowNamed(name);
  if (!row) throw std::runtime_error(std::string("no row ") + name);
  const HWND found = form_->Control(row->id);
  if (!found) throw std::runtime_error(std::string("no control ") + name);
  return found;
}
