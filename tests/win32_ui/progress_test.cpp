// The whole job's progress beside the sync buttons and in the tray icon's
// tool tip on the real form: shown from the job's begin, filled during it,
// hidden and empty after its end and after a stop; the options locked
// meanwhile.
#include <gtest/gtest.h>

#include <regex>

#include "tests/win32_ui/job_fixture.h"
#include "ui/win32/win_api.h"

#include <commctrl.h>

using formtest::click;
using formtest::stopAfterGuard;
using formtest::textOf;
using formtest::waitUntil;
using namespace testsupport;
namespace id = win32ui::id;

namespace {

// The control's own flag: the form itself stays hidden in these tests.
bool shown(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace

class FormProgressTest : public FormJobTest {
 protected:
  HWND bar() const { return form_->Control(id::ProgressJob); }
  HWND label() const { return form_->Control(id::LabelProgress); }
  int barValue() const { return static_cast<int>(SendMessageW(bar(), PBM_GETPOS, 0, 0)); }
  // Why the display is not idle; empty when it is.
  std::string notIdle() const {
    if (shown(bar())) return "the bar is shown";
    if (shown(label())) return "the label is shown";
    if (!textOf(label()).empty()) return "the label reads " + textOf(label());
    if (barValue() != 0) return "the bar stands at " + std::to_string(barValue());
    if (form_->TrayTip() != "CorvelDrovan") return "the tool tip reads " + form_->TrayTip();
    return {};
  }
  void send(UINT msg) { SendMessageW(form_->Window(), msg, 0, 0); }
};

TEST_F(FormProgressTest, ABeginShowsTheComparingAndAnEndHidesEverything) {
  EXPECT_EQ(notIdle(), "") << "before any job";
  send(WM_SYNCBEGIN);
  EXPECT_TRUE(shown(bar()));
  EXPECT_TRUE(shown(label()));
  EXPECT_EQ(textOf(label()), "正在比较文件夹…");
  EXPECT_EQ(form_->TrayTip(), "CorvelDrovan\n正在比较文件夹…");
  // The options take effect with the next job, so they are locked, but
  // not the way back from their page.
  for (const int option : {id::CheckBox2, id::Memo3, id::CheckBoxVersions, id::SpinConfirmFiles, id::RadioGroup1Item0})
    EXPECT_FALSE(IsWindowEnabled(form_->Control(option))) << option;
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::Button15)));
  send(WM_SYNCEND);
  EXPECT_EQ(notIdle(), "");
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::CheckBox2)));
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::SpinConfirmFiles)));
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::RadioGroup1Item0)));
  // What the options' own states keep off stays off: "全部监测" is checked.
  EXPECT_FALSE(IsWindowEnabled(form_->Control(id::Memo3)));
  EXPECT_FALSE(IsWindowEnabled(form_->Control(id::Memo1)));
}

TEST_F(FormProgressTest, ARunningCopyShowsItsShareAndTheEndLeavesNothing) {
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(writeFileUtf8(disk + "\\f" + std::to_string(i) + ".bin", std::string(500000, 'p')));
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  ASSERT_TRUE(errors.empty()) << errors[0];
  // Sampled at the pane's pace while the job runs: the copy's figures as
  // the label shows them ("已完成 7/43 项，3.3MB/19.1MB"), the bar between
  // its ends, the tool tip.
  const std::regex figures("^已完成 (\\d+)/43 项，[\\d.]+[KMG]?B/[\\d.]+MB(\n.*)?$");
  std::string sampled, tip;
  int barDuring = -1;
  bool shownWhileRunning = false;
  ASSERT_TRUE(waitUntil(
      [&] {
        if (SyncRunning && shown(bar()) && shown(label())) shownWhileRunning = true;
        const std::string now = textOf(label());
        if (std::regex_match(now, figures) && barValue() > 0 && barValue() < 1000 && sampled.empty()) {
          sampled = now;
          barDuring = barValue();
        }
        if (form_->TrayTip().starts_with("CorvelDrovan\n")) tip = form_->TrayTip();
        return jobEnded();
      },
      std::chrono::seconds(120)))
      << paneText();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Done) << paneText();
  EXPECT_TRUE(shownWhileRunning);
  EXPECT_FALSE(tip.empty()) << "the tool tip followed the job";
  if (sampled.empty()) GTEST_SKIP() << "the copy ended between two looks";
  EXPECT_GT(barDuring, 0);
  EXPECT_LT(barDuring, 1000);
  EXPECT_EQ(notIdle(), "") << "after the end";
}

TEST_F(FormProgressTest, AStoppedJobLeavesNoProgress) {
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(writeFileUtf8(disk + "\\g" + std::to_string(i) + ".txt", std::string(2000, 'x')));
  form_->StartJob(WindowControl::BtnSyncDiskToU, TSyncType::DiskSync, settings);
  ASSERT_TRUE(waitUntil([&] { return textOf(form_->Control(id::BtnSyncDiskToU)) == "停止" || jobEnded(); },
                        std::chrono::seconds(30)));
  if (jobEnded()) GTEST_SKIP() << "the job ended before the test could stop it";
  EXPECT_TRUE(shown(bar()));
  if (!stopAfterGuard(*form_, id::BtnSyncDiskToU)) GTEST_SKIP() << "the job ended before the stop";
  ASSERT_TRUE(waitUntil([&] { return jobEnded(); }, std::chrono::seconds(60)));
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped) << paneText();
  EXPECT_EQ(notIdle(), "");
  EXPECT_TRUE(IsWindowEnabled(form_->Control(id::CheckBox2)));
}
