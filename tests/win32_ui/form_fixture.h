// The Windows form, created hidden on the test's thread, which is the
// window's thread: waits pump its messages, so what a job's thread sends is
// handled there.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/win32/form_layout.h"
#include "ui/win32/sync_form.h"

namespace formtest {

// Handles the thread's messages until pred holds; false on timeout.
bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(30));
// Handles what is queued now and for `time`.
void pumpFor(std::chrono::milliseconds time);

std::string textOf(HWND window);
// A control's rectangle in its parent's client area.
RECT rectInParent(HWND control);
// A click as the control reports it to the form.
void click(const TSyncForm& form, int controlId);
// The stop as a user gives it, past the guard against the second click of a
// double click: pumps the messages until the guard is over, then clicks the
// running job's button. False (no click) when the job ended meanwhile.
bool stopAfterGuard(const TSyncForm& form, int controlId);

// Where the pictures for people go: wine-ui/screenshots in the build folder.
std::wstring screenshotFolder();
// Writes the window's client area as drawn to a BMP file; returns the number
// of distinct colours in it.
std::size_t saveWindow(HWND window, const std::wstring& file);

}  // namespace formtest

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND control(const char* name) const;
  std::string paneText() const { return formtest::textOf(form_->Control(win32ui::id::Memo2)); }

  std::unique_ptr<TSyncForm> form_;
  std::vector<std::string> errors;
};
