// The real question before a big run, as the job asks it through the form:
// its two buttons, "不同步" the default, and its answers: a click, a stop and
// a close of the window while it is open. Looked at from a thread timer,
// which the box's own message loop runs.
#include <gtest/gtest.h>

#include <functional>

#include "ui/win32/big_change_box.h"
#include "tests/win32_ui/job_fixture.h"
#include "ui/win32/win_api.h"

using formtest::click;
using formtest::stopAfterGuard;
using formtest::textOf;
using formtest::waitUntil;
using namespace testsupport;
namespace id = win32ui::id;

namespace {

// What the timer does once the box is there; the box's loop calls it.
std::function<void(HWND box)> g_onBox;

void CALLBACK lookForBox(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = FindWindowW(win32ui::kBigChangeBoxClass, nullptr);
  if (!box || !IsWindowVisible(box) || !g_onBox) return;
  KillTimer(nullptr, timer);
  auto act = std::move(g_onBox);
  g_onBox = nullptr;
  act(box);
}

}  // namespace

// Twenty files on the stick that the disk does not have: a disk-to-stick
// sync deletes them all, which the window asks about first.
class FormBigChangeBoxTest : public FormJobTest {
 protected:
  void SetUp() override {
    FormJobTest::SetUp();
    if (HasFatalFailure()) return;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(writeFileUtf8(usb + "\\旧" + std::to_string(i) + ".txt", "旧"));
    settings.WhenSyncedFolderHasNewFile = 0;  // delete them
  }
  void TearDown() override {
    g_onBox = nullptr;
    FormJobTest::TearDown();
  }
  // Starts the job; `act` runs on the box once it is shown.
  void runWithBox(std::function<void(HWND)> act) {
    g_onBox = [this, act = std::move(act)](HWND box) {
      seen = true;
      caption = textOf(box);
      goAhead = textOf(GetDlgItem(box, win32ui::kGoAheadButton));
      dontSync = textOf(GetDlgItem(box, win32ui::kDontSyncButton));
      defaultId = LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0));
      ownerEnabled = IsWindowEnabled(form_->Window()) != FALSE;
      // The icon is a static too, without text.
      for (HWND s = FindWindowExW(box, nullptr, L"STATIC", nullptr); s; s = FindWindowExW(box, s, L"STATIC", nullptr))
        text += textOf(s);
      act(box);
    };
    SetTimer(nullptr, 0, 20, &lookForBox);
    form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
    ASSERT_TRUE(errors.empty()) << errors[0];
  }
  void expectTheBoxAsTheQtOne() {
    ASSERT_TRUE(seen);
    EXPECT_EQ(caption, "确认同步");
    EXPECT_EQ(goAhead, "继续同步");
    EXPECT_EQ(dontSync, "不同步");
    EXPECT_EQ(defaultId, win32ui::kDontSyncButton);
    EXPECT_FALSE(ownerEnabled) << "the window takes no input while the box is open";
    EXPECT_TRUE(IsWindowEnabled(form_->Window())) << "and takes it again after";
    EXPECT_EQ(FindWindowW(win32ui::kBigChangeBoxClass, nullptr), nullptr) << "the box is gone";
  }

  bool seen = false, ownerEnabled = true;
  std::string caption, goAhead, dontSync, text;
  int defaultId = 0;
};

TEST_F(FormBigChangeBoxTest, ItsGoAheadButtonLetsTheSyncRun) {
  runWithBox([](HWND box) { SendMessageW(GetDlgItem(box, win32ui::kGoAheadButton), BM_CLICK, 0, 0); });
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  expectTheBoxAsTheQtOne();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Done) << paneText();
  EXPECT_FALSE(fileExists(usb + "\\旧0.txt"));
  EXPECT_EQ(readFileUtf8(usb + "\\a.doc"), "文档内容");
}

TEST_F(FormBigChangeBoxTest, EscapeAnswersDontSync) {
  runWithBox([](HWND box) {
    PostMessageW(GetFocus() ? GetFocus() : box, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  expectTheBoxAsTheQtOne();
  EXPECT_TRUE(text.starts_with("这次同步将删除或覆盖大量文件：\n\n同步源：")) << text;
  EXPECT_TRUE(text.find("删除目标文件夹独有的文件：20个文件") != std::string::npos) << text;
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::NotConfirmed) << paneText();
  EXPECT_TRUE(fileExists(usb + "\\旧0.txt"));
  EXPECT_FALSE(fileExists(usb + "\\a.doc"));
}

TEST_F(FormBigChangeBoxTest, AStopWhileItIsOpenAnswersDontSync) {
  // The stop as the user gives it: the running job's button.
  runWithBox([this](HWND) { ASSERT_TRUE(stopAfterGuard(*form_, id::BtnSyncDiskToU)); });
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  expectTheBoxAsTheQtOne();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped) << paneText();
  EXPECT_TRUE(paneText().find("手动同步被停止！！！") != std::string::npos) << paneText();
  EXPECT_TRUE(fileExists(usb + "\\旧0.txt"));
  EXPECT_FALSE(fileExists(usb + "\\a.doc"));
}

TEST_F(FormBigChangeBoxTest, AWindowClosedWhileItIsOpenAnswersDontSyncAndClosesAfterTheJob) {
  bool closed = false;
  form_->onClosed = [&closed] { closed = true; };
  // The tray's "退出" closes the window so while the box is open.
  runWithBox([this](HWND box) {
    PostMessageW(form_->Window(), WM_CLOSE, 0, 0);
    std::wstring folder = formtest::screenshotFolder();
    CreateDirectoryW(folder.c_str(), nullptr);
    UpdateWindow(box);
    formtest::saveWindow(box, folder + L"\\big-change-box.bmp");
  });
  ASSERT_TRUE(waitUntil([&] { return closed; }, std::chrono::seconds(60))) << paneText();
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  expectTheBoxAsTheQtOne();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped) << paneText();
  EXPECT_TRUE(fileExists(usb + "\\旧0.txt"));
  CloseAfterSync = false;
}
