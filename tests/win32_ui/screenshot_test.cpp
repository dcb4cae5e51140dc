// Pictures of the shown form, one per page and one of a running job, for
// people to compare with the Qt window: written as BMP files under the build
// folder (wine-ui/screenshots beside bin/). Each must show more than the
// window's background.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/wide_text.h"
#include "tests/win32/win_process.h"
#include "tests/win32_ui/form_fixture.h"
#include "ui/win32/win_api.h"

using formtest::click;
using formtest::pumpFor;
using formtest::textOf;
using formtest::waitUntil;
namespace id = win32ui::id;

namespace {

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

}  // namespace

TEST_F(FormTest, ScreenshotsOfThePagesAndOfARunningJob) {
  const std::wstring folder = screenshotFolder();
  CreateDirectoryW(folder.c_str(), nullptr);
  form_->show();
  SetForegroundWindow(form_->Window());
  pumpFor(std::chrono::milliseconds(500));
  EXPECT_GT(saveWindow(form_->Window(), folder + L"\\main.bmp"), 3u);
  click(*form_, id::Button1);
  pumpFor(std::chrono::milliseconds(300));
  EXPECT_GT(saveWindow(form_->Window(), folder + L"\\options.bmp"), 3u);
  click(*form_, id::Button15);
  click(*form_, id::Button8);
  pumpFor(std::chrono::milliseconds(300));
  EXPECT_GT(saveWindow(form_->Window(), folder + L"\\help.bmp"), 3u);
  click(*form_, id::Button9);

  using namespace testsupport;
  const std::string disk = tempFolder() + "窗口截图", usb = "E:\\窗口截图\\资料";
  removeAll(disk);
  removeAll("E:\\窗口截图");
  ASSERT_TRUE(makeFolders(disk));
  ASSERT_TRUE(makeFolders(usb));
  for (int i = 0; i < 150; ++i)
    ASSERT_TRUE(writeFileUtf8(disk + "\\文件" + std::to_string(i) + ".txt", std::string(4000, 'x')));
  TJobSettings settings;
  settings.DFolderPath = disk;
  settings.UFolderAbsPath = usb;
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  // Some lines in the pane, the button reading "停止".
  const bool running = waitUntil(
      [&] { return form_->LogPane().count() > 20 || !SyncRunning; }, std::chrono::seconds(30));
  ASSERT_TRUE(running);
  if (SyncRunning) {
    EXPECT_EQ(textOf(form_->Control(id::BtnSyncDiskToU)), "停止");
    form_->LogPane().paintNow();
    UpdateWindow(form_->Window());
    RedrawWindow(form_->Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_GT(saveWindow(form_->Window(), folder + L"\\running.bmp"), 3u);
  }
  EXPECT_TRUE(waitUntil([] { return !SyncRunning; }, std::chrono::seconds(300)));
  removeAll(disk);
  removeAll("E:\\窗口截图");
}
