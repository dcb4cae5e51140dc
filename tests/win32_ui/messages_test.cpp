// The job's messages reaching the form as window messages, sent from
// another thread as a job sends them, and the pane and controls they change.
#include <gtest/gtest.h>

#include <thread>

#include "inventory/pglobal.h"
#include "platform/machine_paths.h"
#include "tests/win32/win_process.h"
#include "ui/folder_checks.h"
#include "tests/win32_ui/form_fixture.h"
#include "ui/win32/win_api.h"

using formtest::textOf;
using formtest::waitUntil;
namespace id = win32ui::id;

namespace {

// Runs `send` on a thread of its own while the test's thread handles the
// window's messages, as during a job.
void fromWorker(const std::function<void()>& send) {
  bool done = false;
  std::thread worker([&] {
    send();
    done = true;
  });
  const bool ended = waitUntil([&] { return done; }, std::chrono::seconds(20));
  worker.join();
  ASSERT_TRUE(ended);
}

platform::LRESULT sendText(platform::HWND handle, platform::UINT msg, const std::string& text) {
  return platform::SendMessage(handle, msg, textParam(text), 0);
}

}  // namespace

TEST_F(FormTest, LinesAndCopyProgressFromAWorkerReachThePane) {
  const platform::HWND handle = form_->Handle();
  fromWorker([&] {
    sendText(handle, WM_LOGLINE, "开始同步");
    TCopyInfo info;
    info.SrcFile = "C:\\资料\\a.doc";
    info.DestFile = "E:\\资料\\a.doc";
    info.TotalSize = 200;
    info.CopyKind = CopyNew;
    platform::SendMessage(handle, WM_COPYSTART, copyInfoParam(info), 0);
    info.CopiedSize = 100;
    platform::SendMessage(handle, WM_COPYPROGRESS, copyInfoParam(info), 0);
  });
  const std::string text = paneText();
  ASSERT_EQ(form_->LogPane().count(), 2u) << text;
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "开始同步");
  const std::string last = form_->LogPane().last();
  EXPECT_NE(last.find("  复制文件C:\\资料\\a.doc到E:\\资料\\a.doc 50%"), std::string::npos) << last;
  EXPECT_EQ(text, "开始同步\r\n" + last + "\r\n");

  fromWorker([&] {
    TCopyInfo info;
    info.SrcFile = "C:\\资料\\a.doc";
    info.DestFile = "E:\\资料\\a.doc";
    info.TotalSize = 200;
    info.CopiedSize = 200;
    platform::SendMessage(handle, WM_COPYPROGRESS, copyInfoParam(info), 0);
  });
  EXPECT_EQ(form_->LogPane().count(), 2u);
  EXPECT_TRUE(form_->LogPane().last().ends_with("a.doc 100%")) << form_->LogPane().last();
}

TEST_F(FormTest, SyncBeginAndEndLockAndFreeTheControls) {
  const platform::HWND handle = form_->Handle();
  fromWorker([&] { platform::SendMessage(handle, WM_SYNCBEGIN, 0, 0); });
  EXPECT_FALSE(IsWindowEnabled(form_->Control(id::Button1)));
  EXPECT_FALSE(form_->JobControls().enabled(WindowControl::CheckBox1));
  EXPECT_FALSE(form_->JobControls().enabled(WindowControl::N3));
  fromWorker([&] { platform::SendMessage(handle, WM_SYNCEND, 0, 0); });
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::Button1)));
  EXPECT_FALSE(form_->LogPane().paintHeld()) << "the end of a job is painted at once";
}

TEST_F(FormTest, APostedCloseReachesTheCloseProtocol) {
  bool closed = false;
  form_->onClosed = [&closed] { closed = true; };
  ASSERT_TRUE(platform::PostMessage(form_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0));
  EXPECT_TRUE(waitUntil([&] { return closed; }, std::chrono::seconds(5)));
}

TEST_F(FormTest, AFormGoneLeavesTheJobsMessagesUnhandled) {
  const platform::HWND handle = form_->Handle();
  form_.reset();
  const std::string line = "没有窗口";
  EXPECT_EQ(sendText(handle, WM_LOGLINE, line), 0);
  EXPECT_FALSE(platform::PostMessage(handle, WM_SYNCEND, 0, 0));
}

TEST_F(FormTest, ThePaneKeepsItsLinesAcrossAnEditByTheUser) {
  auto& pane = form_->LogPane();
  pane.add("一");
  pane.add("二");
  pane.replaceLast("二 50%");
  EXPECT_EQ(pane.count(), 2u);
  EXPECT_EQ(paneText(), "一\r\n二 50%\r\n");
  pane.deleteLast();
  EXPECT_EQ(pane.count(), 1u);
  EXPECT_EQ(pane.last(), "一");
  // The user replaces the text by one without a break at the end.
  SendMessageW(form_->Control(id::Memo2), EM_SETSEL, 0, -1);
  SendMessageW(form_->Control(id::Memo2), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"甲\r\n乙\r\n丙"));
  EXPECT_EQ(pane.count(), 3u);
  EXPECT_EQ(pane.last(), "丙");
  pane.add("丁");
  EXPECT_EQ(paneText(), "甲\r\n乙\r\n丙\r\n丁\r\n");
  EXPECT_EQ(pane.count(), 4u);
  pane.replaceLast("");
  EXPECT_EQ(pane.last(), "");
  EXPECT_EQ(pane.count(), 4u);
  formtest::click(*form_, id::N7);
  EXPECT_EQ(pane.count(), 0u);
  EXPECT_EQ(paneText(), "");
  // A line with a break of its own stays one line of the pane.
  pane.add("a\nb");
  EXPECT_EQ(pane.count(), 1u);
}

TEST_F(FormTest, ThePaneHoldsItsPaintingUntilTheDisplaysNextFrame) {
  auto& pane = form_->LogPane();
  pane.beginUpdate();
  pane.add("一");
  pane.endUpdate();
  EXPECT_TRUE(pane.paintHeld());
  EXPECT_TRUE(waitUntil([&] { return !pane.paintHeld(); }, std::chrono::seconds(2)));
  // More than the edit's default limit of 30 000 characters.
  const std::string longLine(1000, 'x');
  for (int i = 0; i < 40; ++i) pane.add(longLine);
  EXPECT_EQ(pane.count(), 41u);
  EXPECT_EQ(pane.last(), longLine);
}

TEST_F(FormTest, ButtonsAndMenuItemsTakeTheRenderersStates) {
  win32ui::HwndControls& controls = form_->JobControls();
  controls.setCaption(WindowControl::U1, "停止");
  EXPECT_EQ(controls.caption(WindowControl::U1), "停止");
  controls.setEnabled(WindowControl::U2, false);
  EXPECT_FALSE(controls.enabled(WindowControl::U2));
  controls.setChecked(WindowControl::N1, true);
  EXPECT_TRUE(controls.checked(WindowControl::N1));
  controls.setChecked(WindowControl::BtnSync, true);
  EXPECT_FALSE(controls.checked(WindowControl::BtnSync)) << "a push button shows no check";
  controls.setChecked(WindowControl::CheckBox1, true);
  EXPECT_TRUE(controls.checked(WindowControl::CheckBox1));
  controls.setCaption(WindowControl::BtnSync, "停止");
  EXPECT_EQ(textOf(form_->Control(id::BtnSync)), "停止");
}

TEST_F(FormTest, ASyncButtonWithoutFoldersIsRefused) {
  formtest::click(*form_, id::BtnSyncDiskToU);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "请设置好同步文件夹");
  EXPECT_FALSE(SyncRunning);
}

TEST_F(FormTest, TheLogIsSavedWhereTheUserChoseProposedBesideTheProgram) {
  form_->LogPane().add("第一行");
  form_->LogPane().add("第二行");
  const std::string file = testsupport::tempFolder() + "工作日志测试.txt";
  testsupport::removeAll(file);
  std::string proposed;
  form_->onSaveFile = [&](const std::string& offered, std::string& chosen) {
    proposed = offered;
    chosen = file;
    return true;
  };
  formtest::click(*form_, id::N8);
  EXPECT_TRUE(errors.empty()) << errors[0];
  EXPECT_EQ(testsupport::readFileUtf8(file), "第一行\r\n第二行\r\n");
  // Beside the program: "<folder>\工作日志-yyyyMMdd-HHmmss.txt".
  const std::size_t name = proposed.rfind('\\') + 1;
  EXPECT_EQ(proposed.substr(0, name), ProgramFolder(platform::MachinePaths{}));
  EXPECT_EQ(proposed.size() - name, std::string("工作日志-").size() + 15 + 4) << proposed;
  EXPECT_TRUE(proposed.substr(name).starts_with("工作日志-2")) << proposed;
  EXPECT_TRUE(proposed.ends_with(".txt"));

  // A folder that does not exist: the refusal names the file.
  const std::string nowhere = testsupport::tempFolder() + "没有这个文件夹\\日志.txt";
  form_->onSaveFile = [&](const std::string&, std::string& chosen) {
    chosen = nowhere;
    return true;
  };
  formtest::click(*form_, id::N8);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].starts_with("无法保存工作日志：\n" + nowhere + "\n")) << errors[0];
  testsupport::removeAll(file);
}
