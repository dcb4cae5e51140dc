// The preview button on the real form: the preview in the pane with nothing
// changed on either side, the question after it and the sync it starts, and
// the button as the stop of its own run.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "engine/plan_preview.h"
#include "platform/wide_text.h"
#include "tests/win32_ui/job_fixture.h"
#include "ui/win32/win_api.h"

using formtest::click;
using formtest::stopAfterGuard;
using formtest::textOf;
using formtest::waitUntil;
using namespace testsupport;
namespace id = win32ui::id;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Days after 1601, as the file system counts them.
void setTime(const std::string& file, int days) {
  const HANDLE h = CreateFileW(platform::toWide(file).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << file;
  const ULONGLONG ticks = static_cast<ULONGLONG>(days) * 24 * 3600 * 10'000'000ULL;
  FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
}

// Every entry below a folder with its size and write time: what a preview
// must leave as it was.
void listTree(const std::wstring& folder, std::map<std::wstring, std::wstring>& tree) {
  WIN32_FIND_DATAW found{};
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    tree[folder + L"\\" + name] = std::to_wstring(found.nFileSizeLow) + L" " +
                                  std::to_wstring(found.ftLastWriteTime.dwLowDateTime) + L" " +
                                  std::to_wstring(found.ftLastWriteTime.dwHighDateTime);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) listTree(folder + L"\\" + name, tree);
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

std::map<std::wstring, std::wstring> tree(const std::string& folder) {
  std::map<std::wstring, std::wstring> entries;
  listTree(platform::toWide(folder), entries);
  return entries;
}

}  // namespace

class FormPreviewTest : public FormActionTest {
 protected:
  void SetUp() override {
    FormActionTest::SetUp();
    if (HasFatalFailure()) return;
    form_->onAskPreview = [this](const std::string& caption, const std::string& text) {
      questions.push_back(caption + "|" + text);
      return answer;
    };
  }
  // The stick holds the newest file: the automatic sync would make the disk
  // folder like it, deleting the disk's own files.
  void usbIsNewer() {
    ASSERT_TRUE(writeFileUtf8(usb + "\\stick.txt", "newer, on the stick"));
    for (const std::string& file : {disk + "\\a.doc", disk + "\\子目录\\笔记.txt"}) setTime(file, 150000);
    setTime(usb + "\\stick.txt", 150100);
  }

  std::vector<std::string> questions;
  bool answer = false;
};

TEST_F(FormPreviewTest, ShowsThePreviewChangesNothingAndANoStartsNothing) {
  usbIsNewer();
  const auto diskBefore = tree(disk), usbBefore = tree(usb);
  click(*form_, id::BtnPreview);
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_TRUE(waitUntil([&] { return jobEnded() && !questions.empty(); }, std::chrono::seconds(60))) << paneText();
  formtest::pumpFor(std::chrono::milliseconds(200));

  const std::string pane = paneText();
  EXPECT_TRUE(contains(pane, "以U盘监测文件夹为架构同步硬盘监测文件夹")) << pane;
  EXPECT_TRUE(contains(pane, std::string(kPreviewMark) + "被同步文件夹删除文件" + disk + "\\a.doc")) << pane;
  EXPECT_TRUE(contains(pane, std::string(kPreviewMark) + "预览结束，未做任何更改")) << pane;
  EXPECT_EQ(tree(disk), diskBefore);
  EXPECT_EQ(tree(usb), usbBefore);
  EXPECT_FALSE(fileExists(disk + "\\stick.txt"));

  ASSERT_EQ(questions.size(), 1u);
  const std::string& question = questions[0];
  EXPECT_TRUE(question.starts_with("CorvelDrovan|按预览开始同步？\n\n以U盘监测文件夹为同步源更新硬盘监测文件夹：\n" +
                                   usb + "\\ → " + disk + "\\\n"))
      << question;
  EXPECT_TRUE(contains(question, "\n删除文件：2个")) << question;
  EXPECT_TRUE(contains(question, "\n复制文件：1个")) << question;
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Previewed);
  EXPECT_FALSE(SyncRunning) << "a no starts nothing";
  EXPECT_EQ(textOf(form_->Control(id::BtnPreview)), "预览");
  for (const int button : {id::BtnPreview, id::BtnSync, id::BtnSyncDiskToU, id::BtnSyncUToDisk, id::Button1})
    EXPECT_TRUE(IsWindowEnabled(form_->Control(button))) << button;

  // The pane with the preview, for people to compare with the Qt window.
  const std::wstring folder = formtest::screenshotFolder();
  CreateDirectoryW(folder.c_str(), nullptr);
  form_->show();
  formtest::pumpFor(std::chrono::milliseconds(300));
  EXPECT_GT(formtest::saveWindow(form_->Window(), folder + L"\\main-preview.bmp"), 3u);
}

TEST_F(FormPreviewTest, AYesStartsTheSyncThePreviewShowedInItsDirection) {
  usbIsNewer();
  answer = true;
  click(*form_, id::BtnPreview);
  ASSERT_TRUE(waitUntil([&] { return !questions.empty(); }, std::chrono::seconds(60))) << paneText();
  ASSERT_TRUE(waitUntil([&] { return jobEnded() && form_->LastJob()->Outcome().End == TJobEnd::Done; },
                        std::chrono::seconds(60)))
      << paneText();
  const std::string pane = paneText();
  EXPECT_TRUE(contains(pane, "强制以U盘监测文件夹为同步源更新硬盘监测文件夹")) << pane;
  EXPECT_TRUE(contains(pane, "手动同步结束")) << pane;
  EXPECT_FALSE(fileExists(disk + "\\a.doc"));
  EXPECT_EQ(readFileUtf8(disk + "\\stick.txt"), "newer, on the stick");
  EXPECT_EQ(form_->Renderer().ClickBtn(), WindowControl::BtnSyncUToDisk);
  EXPECT_EQ(questions.size(), 1u);
}

TEST_F(FormPreviewTest, NothingToDoAsksNothing) {
  ASSERT_TRUE(makeFolders(usb + "\\子目录"));
  ASSERT_TRUE(writeFileUtf8(usb + "\\a.doc", "文档内容"));
  ASSERT_TRUE(writeFileUtf8(usb + "\\子目录\\笔记.txt", "第二个文件"));
  for (const std::string& file : {disk + "\\a.doc", disk + "\\子目录\\笔记.txt", usb + "\\a.doc",
                                 usb + "\\子目录\\笔记.txt"})
    setTime(file, 150000);
  answer = true;
  click(*form_, id::BtnPreview);
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60))) << paneText();
  formtest::pumpFor(std::chrono::milliseconds(300));
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(contains(paneText(), "已同步，无需更新")) << paneText();
  EXPECT_FALSE(SyncRunning);
}

TEST_F(FormPreviewTest, WhileItRunsItIsTheStopAndTheSyncButtonsAreOff) {
  // Enough entries that the preview is still planning when the test looks.
  for (int i = 0; i < 1500; ++i) ASSERT_TRUE(writeFileUtf8(disk + "\\p" + std::to_string(i) + ".txt", "p"));
  click(*form_, id::BtnPreview);
  ASSERT_TRUE(waitUntil([&] { return textOf(form_->Control(id::BtnPreview)) == "停止" || jobEnded(); },
                        std::chrono::seconds(30)));
  if (jobEnded()) GTEST_SKIP() << "the preview ended before the test could look";
  for (const int button : {id::BtnSync, id::BtnSyncDiskToU, id::BtnSyncUToDisk, id::Button1})
    EXPECT_FALSE(IsWindowEnabled(form_->Control(button))) << button;
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::BtnPreview)));
  if (!stopAfterGuard(*form_, id::BtnPreview)) GTEST_SKIP() << "the preview ended before the stop";
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60)));
  formtest::pumpFor(std::chrono::milliseconds(200));
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped) << paneText();
  EXPECT_TRUE(contains(paneText(), "手动同步被停止！！！")) << paneText();
  EXPECT_EQ(textOf(form_->Control(id::BtnPreview)), "预览");
  EXPECT_TRUE(questions.empty());
}
