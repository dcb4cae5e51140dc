// A real job started from the form: the hard-disk folder in the temporary
// folder, the USB folder on the removable drive E:. The job's thread sends
// its messages to the form's window while the test's thread handles them.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win32/win_process.h"
#include "tests/win32_ui/job_fixture.h"
#include "ui/win32/win_api.h"

using formtest::textOf;
using formtest::waitUntil;
using namespace testsupport;
namespace id = win32ui::id;

TEST_F(FormJobTest, DiskToUsbCopiesTheFilesAndTheButtonsComeBack) {
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_NE(form_->LastJob(), nullptr);
  // While the job runs its button reads "停止" and the others are locked;
  // the job may also have ended already.
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Done) << paneText();

  EXPECT_EQ(readFileUtf8(usb + "\\a.doc"), "文档内容");
  EXPECT_EQ(readFileUtf8(usb + "\\子目录\\笔记.txt"), "第二个文件");
  const std::string pane = paneText();
  EXPECT_NE(pane.find("复制文件" + disk + "\\a.doc到" + usb + "\\a.doc 100%"), std::string::npos) << pane;
  EXPECT_NE(pane.find("创建文件夹" + usb + "\\子目录"), std::string::npos) << pane;
  EXPECT_EQ(pane.size() >= 2 ? pane.substr(pane.size() - 2) : "", "\r\n");

  EXPECT_EQ(textOf(form_->Control(id::BtnSyncDiskToU)), "手动-同步本地硬盘到U盘");
  for (const int button : {id::Button1, id::BtnSync, id::BtnSyncDiskToU, id::BtnSyncUToDisk, id::BtnPreview})
    EXPECT_TRUE(IsWindowEnabled(form_->Control(button))) << button;
  EXPECT_FALSE(form_->JobControls().checked(WindowControl::U1));
}

TEST_F(FormJobTest, TheRunningJobsButtonReadsStopAndItsClickStopsIt) {
  // Enough files that the job is still running when the test looks.
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(writeFileUtf8(disk + "\\f" + std::to_string(i) + ".txt", std::string(2000, 'x')));
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  ASSERT_TRUE(errors.empty()) << errors[0];
  const bool sawStop = waitUntil(
      [&] { return textOf(form_->Control(id::BtnSyncDiskToU)) == "停止" || jobEnded(); }, std::chrono::seconds(30));
  ASSERT_TRUE(sawStop);
  if (jobEnded()) GTEST_SKIP() << "the job ended before the test could look";
  EXPECT_FALSE(IsWindowEnabled(form_->Control(id::Button1)));
  EXPECT_FALSE(IsWindowEnabled(form_->Control(id::BtnSync)));
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::BtnSyncDiskToU)));
  EXPECT_TRUE(form_->JobControls().checked(WindowControl::U1));
  if (!formtest::stopAfterGuard(*form_, id::BtnSyncDiskToU)) GTEST_SKIP() << "the job ended before the stop";
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60)));
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped) << paneText();
  EXPECT_EQ(textOf(form_->Control(id::BtnSyncDiskToU)), "手动-同步本地硬盘到U盘");
}

// Twenty files on the stick that the disk does not have: a disk-to-stick
// sync deletes them all, which the window asks about first.
class FormBigChangeTest : public FormJobTest {
 protected:
  void SetUp() override {
    FormJobTest::SetUp();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(writeFileUtf8(usb + "\\旧" + std::to_string(i) + ".txt", "旧"));
    settings.WhenSyncedFolderHasNewFile = 0;  // delete them
    form_->onAskBigChange = [this](const std::string& caption, const std::string& text) {
      asked.push_back(caption + "|" + text);
      return answer;
    };
  }
  std::vector<std::string> asked;
  bool answer = false;
};

TEST_F(FormBigChangeTest, AnsweredNoNothingChanges) {
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(asked[0].starts_with("确认同步|这次同步将删除或覆盖大量文件：")) << asked[0];
  EXPECT_TRUE(asked[0].ends_with("是否继续同步？")) << asked[0];
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::NotConfirmed);
  EXPECT_TRUE(fileExists(usb + "\\旧0.txt"));
  EXPECT_FALSE(fileExists(usb + "\\a.doc"));
}

TEST_F(FormBigChangeTest, AnsweredYesTheSyncGoesAhead) {
  answer = true;
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Done) << paneText();
  EXPECT_FALSE(fileExists(usb + "\\旧0.txt"));
  EXPECT_EQ(readFileUtf8(usb + "\\a.doc"), "文档内容");
}

TEST_F(FormJobTest, ClosedDuringAJobTheWindowStopsItAndClosesAtItsEnd) {
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(writeFileUtf8(disk + "\\f" + std::to_string(i) + ".txt", std::string(2000, 'x')));
  bool closed = false;
  form_->onClosed = [&closed] { closed = true; };
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  ASSERT_TRUE(waitUntil([&] { return textOf(form_->Control(id::BtnSyncDiskToU)) == "停止" || jobEnded(); },
                        std::chrono::seconds(30)));
  if (jobEnded()) GTEST_SKIP() << "the job ended before the test could close";
  PostMessageW(form_->Window(), WM_CLOSE, 0, 0);
  // Refused while the job runs, which is asked to stop ...
  ASSERT_TRUE(waitUntil([] { return StopSync.load(); }, std::chrono::seconds(10)));
  EXPECT_TRUE(CloseAfterSync);
  // ... and accepted when the job's end asks the window to close.
  EXPECT_TRUE(waitUntil([&] { return closed; }, std::chrono::seconds(120))) << paneText();
  EXPECT_FALSE(SyncRunning);
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped);
  CloseAfterSync = false;
}

TEST_F(FormActionTest, TheSecondClickOfADoubleClickDoesNotStopTheJobALaterOneDoes) {
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(writeFileUtf8(disk + "\\d" + std::to_string(i) + ".txt", std::string(2000, 'x')));
  formtest::click(*form_, id::BtnSyncDiskToU);
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_TRUE(waitUntil([&] { return textOf(form_->Control(id::BtnSyncDiskToU)) == "停止" || jobEnded(); },
                        std::chrono::seconds(30)));
  if (jobEnded()) GTEST_SKIP() << "the job ended before the second click";
  // The second click lands on "停止" at once.
  formtest::click(*form_, id::BtnSyncDiskToU);
  EXPECT_FALSE(StopSync.load());
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(120))) << paneText();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Done) << paneText();
  EXPECT_NE(paneText().find("手动同步结束"), std::string::npos) << paneText();
  EXPECT_TRUE(fileExists(usb + "\\d299.txt"));

  // A stop past the guard is a stop.
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(writeFileUtf8(disk + "\\e" + std::to_string(i) + ".txt", std::string(2000, 'y')));
  formtest::click(*form_, id::BtnSyncDiskToU);
  ASSERT_TRUE(waitUntil([&] { return textOf(form_->Control(id::BtnSyncDiskToU)) == "停止" || jobEnded(); },
                        std::chrono::seconds(30)));
  if (!formtest::stopAfterGuard(*form_, id::BtnSyncDiskToU)) GTEST_SKIP() << "the job ended before the stop";
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped) << paneText();
}
