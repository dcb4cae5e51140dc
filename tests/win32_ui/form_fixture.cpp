#include "tests/win32_ui/form_fixture.h"

#include <cstdint>
#include <set>

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

bool stopAfterGuard(const TSyncForm& form, int controlId) {
  pumpFor(kStopGuard + std::chrono::milliseconds(50));
  if (textOf(form.Control(controlId)) != "停止") return false;
  click(form, controlId);
  return true;
}

std::wstring screenshotFolder() {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring folder(program);
  folder.resize(folder.rfind(L'\\'));  // bin
  folder.resize(folder.rfind(L'\\'));  // the build folder
  return folder + L"\\wine-ui\\screenshots";
}

// The window's client area as drawn (its 709 by 456 pixels, as the Qt
// window's pictures show it); returns the number of distinct colours in it.
std::size_t saveWindow(HWND window, const std::wstring& file) {
  RECT r{};
  GetClientRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const HDC screen = GetDC(window);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  // GDI leaves the fourth byte 0, which viewers read as transparent.
  auto* pixels = static_cast<std::uint32_t*>(bits);
  for (std::size_t i = 0; i < static_cast<std::size_t>(w) * static_cast<std::size_t>(h); ++i) pixels[i] |= 0xFF000000u;
  const std::size_t size = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4;
  std::set<std::uint32_t> colours(pixels, pixels + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));

  BITMAPFILEHEADER head{};
  head.bfType = 0x4D42;
  head.bfOffBits = sizeof head + sizeof info.bmiHeader;
  head.bfSize = static_cast<DWORD>(head.bfOffBits + size);
  const HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(out, &head, sizeof head, &written, nullptr);
    WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    WriteFile(out, bits, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(out);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return colours.size();
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
