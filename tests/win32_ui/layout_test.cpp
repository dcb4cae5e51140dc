// The built form against the Qt window's numbers: every control where the Qt
// window has it, in the same parent, with the same caption.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "platform/wide_text.h"

#include "tests/win32_ui/form_fixture.h"
#include "ui/help_text.h"
#include "ui/win32/win_api.h"

#include <shellapi.h>

using formtest::click;
using formtest::rectInParent;
using formtest::textOf;
namespace id = win32ui::id;

namespace {

struct Expected {
  const char* name;
  const char* parent;
  const char* caption;
  int x, y, w, h;
};

// As ui/sync_form_build.cpp places them.
const Expected kQtWindow[] = {
    {"Edit1", "TabSheet1", "", 134, 13, 478, 21},
    {"Button2", "TabSheet1", "..", 618, 13, 21, 22},
    {"Edit3", "TabSheet1", "", 134, 41, 478, 21},
    {"Button5", "TabSheet1", "..", 618, 40, 21, 22},
    {"Button1", "TabSheet1", "选  项", 376, 68, 89, 25},
    {"Button8", "TabSheet1", "帮  助", 480, 68, 89, 25},
    {"GroupBox7", "TabSheet1", "手动同步", 40, 104, 625, 117},
    {"BtnSync", "GroupBox7", "手动-自动判断同步源", 24, 19, 313, 25},
    {"BtnSyncDiskToU", "GroupBox7", "手动-同步本地硬盘到U盘", 24, 50, 313, 25},
    {"BtnSyncUToDisk", "GroupBox7", "手动-同步U盘到本地硬盘", 24, 86, 313, 25},
    {"BtnPreview", "GroupBox7", "预览", 352, 19, 249, 25},
    {"Memo2", "TabSheet1", "", 0, 255, 709, 201},
    {"GroupBox1", "TabSheet2", "主监测文件监测选项", 0, 0, 709, 329},
    {"GroupBox2", "GroupBox1", "监测文件后缀名（允许?和* 通配符，以;隔开）", 3, 36, 329, 106},
    {"GroupBox5", "GroupBox1", "不监测文件后缀名（允许?和* 通配符，以;隔开）", 341, 36, 316, 106},
    {"GroupBox3", "GroupBox1", "手动同步策略", 3, 193, 657, 128},
    {"RadioGroup1", "GroupBox3", "被同步文件夹存在同名新文件时", 14, 29, 315, 88},
    {"RadioGroup2", "GroupBox3", "被同步文件夹存在同步文件夹没有的文件时", 338, 29, 316, 88},
    {"Button15", "TabSheet2", "返回", 613, 400, 75, 25},
    {"GroupBoxSafety", "TabSheet2", "安全保护", 0, 333, 600, 88},
    {"Memo4", "TabSheet3", nullptr, 0, 0, 709, 392},
    {"Button9", "TabSheet3", "返回", 605, 400, 75, 25},
};

// Controls the Qt window sizes to their caption: only the corner is fixed.
const Expected kQtCorners[] = {
    {"Label1", "TabSheet1", "硬盘监测文件夹", 32, 16, 0, 0},
    {"Label4", "TabSheet1", "U盘监测文件夹", 32, 44, 0, 0},
    {"CheckBox2", "GroupBox1", "全部监测", 16, 16, 0, 0},
    {"CheckBoxVersions", "GroupBoxSafety", "删除或覆盖文件前保留旧版本（存放在同步文件夹的 .~drovan-versions 中）", 16, 18, 0, 0},
    {"SpinVersionDays", "GroupBoxSafety", "", 150, 38, 0, 0},
    {"SpinConfirmFiles", "GroupBoxSafety", "", 190, 60, 0, 0},
    {"SpinFatHours", "GroupBoxSafety", "", 418, 38, 0, 0},
};

}  // namespace

TEST_F(FormTest, TheWindowIsAFixedCentredFormOf709By456) {
  const HWND window = form_->Window();
  EXPECT_EQ(textOf(window), "CorvelDrovan");
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right - client.left, 709);
  EXPECT_EQ(client.bottom - client.top, 456);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";

  RECT frame{}, work{};
  GetWindowRect(window, &frame);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((frame.left + frame.right) - (work.left + work.right)), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) - (work.top + work.bottom)), 1);
}

TEST_F(FormTest, EveryControlSitsWhereTheQtWindowHasIt) {
  for (const Expected& e : kQtWindow) {
    SCOPED_TRACE(e.name);
    const HWND c = control(e.name);
    EXPECT_EQ(GetParent(c), control(e.parent));
    if (e.caption) {
      EXPECT_EQ(textOf(c), e.caption);
    }
    const RECT r = rectInParent(c);
    EXPECT_EQ(r.left, e.x);
    EXPECT_EQ(r.top, e.y);
    EXPECT_EQ(r.right - r.left, e.w);
    EXPECT_EQ(r.bottom - r.top, e.h);
  }
  for (const Expected& e : kQtCorners) {
    SCOPED_TRACE(e.name);
    const HWND c = control(e.name);
    EXPECT_EQ(GetParent(c), control(e.parent));
    if (*e.caption) {
      EXPECT_EQ(textOf(c), e.caption);
    }
    const RECT r = rectInParent(c);
    EXPECT_EQ(r.left, e.x);
    EXPECT_EQ(r.top, e.y);
    EXPECT_GT(r.right - r.left, 0);
  }
}

TEST_F(FormTest, EveryRowIsAControlWithItsIdAndNoIdIsUsedTwice) {
  std::set<int> ids;
  for (const win32ui::ControlRow& row : win32ui::FormRows()) {
    SCOPED_TRACE(std::string(row.name));
    EXPECT_TRUE(ids.insert(row.id).second);
    const HWND c = form_->Control(row.id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(GetDlgCtrlID(c), row.id);
    EXPECT_EQ(win32ui::RowOfId(row.id), &row);
  }
}

TEST_F(FormTest, LabelsAreSizedToTheirCaptionsAndHiddenControlsStayHidden) {
  for (const char* name : {"Label1", "Label4", "LabelVersionDays", "LabelConfirmFiles2"}) {
    SCOPED_TRACE(name);
    const RECT r = rectInParent(control(name));
    EXPECT_GT(r.right - r.left, 40);
    EXPECT_GE(r.bottom - r.top, 11);
  }
  // The Qt window's label ends before its folder box starts.
  EXPECT_LE(rectInParent(control("Label1")).right, 134);
  for (const char* name : {"CheckBox1", "ProgressJob", "LabelProgress"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(GetWindowLongPtrW(control(name), GWL_STYLE) & WS_VISIBLE);
  }
}

TEST_F(FormTest, ThePagesAreReachedByTheirButtonsOnly) {
  EXPECT_EQ(form_->PageIndex(), 0);
  click(*form_, id::Button1);
  EXPECT_EQ(form_->PageIndex(), 1);
  click(*form_, id::Button15);
  EXPECT_EQ(form_->PageIndex(), 0);
  click(*form_, id::Button8);
  EXPECT_EQ(form_->PageIndex(), 2);
  click(*form_, id::Button9);
  EXPECT_EQ(form_->PageIndex(), 0);
  // One page at a time.
  int shown = 0;
  for (const int page : {id::TabSheet1, id::TabSheet2, id::TabSheet3})
    shown += (GetWindowLongPtrW(form_->Control(page), GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
  EXPECT_EQ(shown, 1);
}

TEST_F(FormTest, OptionsStartAsTheFormSetsThemAndTheFilterSwitchGreysThePatterns) {
  EXPECT_EQ(SendMessageW(control("CheckBox2"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(form_->RadioGroup1Index(), 2);
  EXPECT_EQ(form_->RadioGroup2Index(), 0);
  EXPECT_EQ(textOf(control("RadioGroup1Item1")), "忽略，不操作");
  EXPECT_EQ(textOf(control("RadioGroup2Item2")), "复制相应文件到同步文件夹");
  EXPECT_FALSE(IsWindowEnabled(control("Memo3")));
  EXPECT_FALSE(IsWindowEnabled(control("Memo1")));
  SendMessageW(control("CheckBox2"), BM_SETCHECK, BST_UNCHECKED, 0);
  click(*form_, id::CheckBox2);
  EXPECT_TRUE(IsWindowEnabled(control("Memo3")));
  EXPECT_TRUE(IsWindowEnabled(control("Memo1")));
}

TEST_F(FormTest, TheHelpPageHoldsTheHelpTextReadOnly) {
  const std::string text = textOf(control("Memo4"));
  std::string expected;
  for (const std::string& line : HelpLines()) expected += (expected.empty() ? "" : "\r\n") + line;
  EXPECT_EQ(text, expected);
  EXPECT_EQ(text.substr(0, 45), std::string(45, '~'));
  EXPECT_NE(text.find("2、本软件只能在U盘下运行"), std::string::npos);
  EXPECT_TRUE(GetWindowLongPtrW(control("Memo4"), GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(GetWindowLongPtrW(control("Edit1"), GWL_STYLE) & ES_READONLY);
}

TEST_F(FormTest, TheTrayAndPaneMenusHoldTheirItems) {
  const auto itemText = [](HMENU menu, UINT item) {
    wchar_t buffer[64] = {};
    GetMenuStringW(menu, item, buffer, 64, MF_BYCOMMAND);
    return platform::fromWide(buffer);
  };
  EXPECT_EQ(itemText(form_->PopupMenu1(), id::N1), "手动-自动选择同步源");
  EXPECT_EQ(itemText(form_->PopupMenu1(), id::U1), "手动-同步本地硬盘到U盘");
  EXPECT_EQ(itemText(form_->PopupMenu1(), id::U2), "手动-同步U盘到本地硬盘到");
  EXPECT_EQ(itemText(form_->PopupMenu1(), id::N5), "退出");
  EXPECT_EQ(GetMenuState(form_->PopupMenu1(), id::N3, MF_BYCOMMAND), static_cast<UINT>(-1))
      << "the timed mode's item is not shown";
  EXPECT_EQ(itemText(form_->PopupMenu2(), id::N6), "复制");
  EXPECT_EQ(itemText(form_->PopupMenu2(), id::N7), "清空");
  EXPECT_EQ(itemText(form_->PopupMenu2(), id::N8), "保存工作日志");
}

TEST_F(FormTest, MinimisedTheWindowHidesBehindItsTrayIconAndADoubleClickBringsItBack) {
  ASSERT_TRUE(form_->TrayShown()) << "Wine's desktop has a notification area";
  form_->show();
  formtest::pumpFor(std::chrono::milliseconds(200));
  ShowWindow(form_->Window(), SW_MINIMIZE);
  formtest::pumpFor(std::chrono::milliseconds(200));
  EXPECT_FALSE(IsWindowVisible(form_->Window()));
  SendMessageW(form_->Window(), TSyncForm::WM_TRAYICON, 0, WM_LBUTTONDBLCLK);
  formtest::pumpFor(std::chrono::milliseconds(200));
  EXPECT_TRUE(IsWindowVisible(form_->Window()));
  EXPECT_FALSE(IsIconic(form_->Window()));
}

TEST_F(FormTest, AnIconLostMeanwhileIsPutBackBeforeTheWindowHidesBehindIt) {
  ASSERT_TRUE(form_->TrayShown()) << "Wine's desktop has a notification area";
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = form_->Window();
  icon.uID = 1;
  // As a restarted shell leaves it: the icon gone, the program not told.
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
  if (Shell_NotifyIconW(NIM_MODIFY, &icon)) GTEST_SKIP() << "this notification area does not tell a lost icon";
  form_->show();
  formtest::pumpFor(std::chrono::milliseconds(200));
  ShowWindow(form_->Window(), SW_MINIMIZE);
  formtest::pumpFor(std::chrono::milliseconds(200));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the icon is back";
  EXPECT_FALSE(IsWindowVisible(form_->Window()));
  SendMessageW(form_->Window(), TSyncForm::WM_TRAYICON, 0, WM_LBUTTONDBLCLK);
  formtest::pumpFor(std::chrono::milliseconds(200));
  EXPECT_TRUE(IsWindowVisible(form_->Window()));
}
