// Pictures of the shown form, one per page and one of a running job, for
// people to compare with the Qt window: written as BMP files under the build
// folder (wine-ui/screenshots beside bin/). Each must show more than the
// window's background.
#include <gtest/gtest.h>

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

using formtest::saveWindow;
using formtest::screenshotFolder;

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
