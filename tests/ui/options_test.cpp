// The options page: the "全部监测" switch, the pattern boxes' conversion and
// the two strategies and the safety net, up to the configuration file.
#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>

#include "config/pOstSync.h"
#include "tests/ui/window_fixture.h"

namespace {

std::vector<std::string> items(const TStringList& list) { return list.Items(); }
using Items = std::vector<std::string>;

}  // namespace

TEST_F(WindowTest, OptionControlsReachTheConfigurationAndTheFile) {
  open();
  auto& pages = widget<QStackedWidget>("PageControl1");
  auto& allSync = widget<QCheckBox>("CheckBox2");
  auto& memo3 = widget<QPlainTextEdit>("Memo3");
  auto& memo1 = widget<QPlainTextEdit>("Memo1");
  TOstiniFileAction& ini = SyncAction->Ostini();

  widget<QPushButton>("Button1").click();
  EXPECT_EQ(pages.currentWidget()->objectName(), QStringLiteral("TabSheet2"));
  EXPECT_TRUE(allSync.isChecked());
  EXPECT_FALSE(memo3.isEnabled());
  allSync.click();
  EXPECT_FALSE(ini.AllSync());
  EXPECT_TRUE(memo3.isEnabled());
  EXPECT_TRUE(memo1.isEnabled());

  memo3.setPlainText("*.doc;*.txt");
  EXPECT_EQ(items(ini.SyncFilesList()), (Items{"*.doc", "*.txt"}));
  memo3.setPlainText("*.jpg; *.png");
  EXPECT_EQ(items(ini.SyncFilesList()), (Items{"*.jpg; *.png"}));
  memo3.setPlainText("*.doc\n*.txt");
  EXPECT_EQ(items(ini.SyncFilesList()), (Items{"*.doc,*.txt"}));
  memo3.setPlainText("*.doc\n");
  EXPECT_EQ(items(ini.SyncFilesList()), (Items{"*.doc"}));
  memo3.setPlainText("");
  EXPECT_EQ(items(ini.SyncFilesList()), Items{});
  // Every keystroke is stored.
  memo3.insertPlainText("*.c");
  memo3.insertPlainText("pp");
  EXPECT_EQ(items(ini.SyncFilesList()), (Items{"*.cpp"}));
  memo1.setPlainText("*.tmp;*.bak");
  EXPECT_EQ(items(ini.NoSyncFilesList()), (Items{"*.tmp", "*.bak"}));

  widget<QRadioButton>("RadioGroup1Item1").click();
  EXPECT_EQ(ini.WhenSyncedFolderHasNewSameFile(), 1);
  EXPECT_EQ(widget<QRadioButton>("RadioGroup1Item1").text(), QStringLiteral("忽略，不操作"));
  widget<QRadioButton>("RadioGroup2Item2").click();
  EXPECT_EQ(ini.WhenSyncedFolderHasNewFile(), 2);

  allSync.click();
  EXPECT_TRUE(ini.AllSync());
  EXPECT_FALSE(memo3.isEnabled());
  EXPECT_FALSE(memo1.isEnabled());
  EXPECT_EQ(memo3.toPlainText(), QStringLiteral("*.cpp"));

  widget<QPushButton>("Button15").click();
  EXPECT_EQ(pages.currentIndex(), 0);
  widget<QPushButton>("Button8").click();
  EXPECT_EQ(pages.currentIndex(), 2);
  widget<QPushButton>("Button9").click();
  EXPECT_EQ(pages.currentIndex(), 0);

  form_.reset();
  DestroySyncAction();
  const std::string file = testsupport::readFile(usb.ini);
  for (const char* line : {"全部监测=1", "监测文件类型=*.cpp", "不监测文件类型=*.tmp;*.bak",
                           "被监测文件夹存在最新文件时=1", "被监测文件夹存在同步文件夹没有的文件时=2"})
    EXPECT_NE(file.find(line), std::string::npos) << line << "\n" << file;
}

TEST_F(WindowTest, TheSafetyNetControlsShowAndStoreTheirKeys) {
  usb.writeIni("[配置]\n保留旧版本=0\n旧版本保留天数=7\n大量删除确认文件数=25\n");
  open();
  TOstiniFileAction& ini = SyncAction->Ostini();
  auto& versions = widget<QCheckBox>("CheckBoxVersions");
  auto& days = widget<QSpinBox>("SpinVersionDays");
  auto& confirm = widget<QSpinBox>("SpinConfirmFiles");
  EXPECT_FALSE(versions.isChecked());
  EXPECT_FALSE(days.isEnabled()) << "the days mean nothing without versions";
  EXPECT_EQ(days.value(), 7);
  EXPECT_EQ(confirm.value(), 25);

  versions.click();
  EXPECT_TRUE(ini.KeepVersions());
  EXPECT_TRUE(days.isEnabled());
  days.setValue(90);
  EXPECT_EQ(ini.VersionDays(), 90);
  days.setValue(0);  // below the range: the box holds its least
  EXPECT_EQ(ini.VersionDays(), 1);
  confirm.setValue(0);
  EXPECT_EQ(ini.ConfirmFiles(), 0);

  // Placed in free space: inside the page, clear of every control the
  // page already had.
  const QRect safety = widget<QGroupBox>("GroupBoxSafety").geometry();
  EXPECT_TRUE(QRect(0, 0, 709, 456).contains(safety));
  for (const char* other : {"GroupBox1", "Button15"})
    EXPECT_FALSE(safety.intersects(widget<QWidget>(other).geometry())) << other;

  form_.reset();
  DestroySyncAction();
  const std::string file = testsupport::readFile(usb.ini);
  for (const char* line : {"保留旧版本=1", "旧版本保留天数=1", "大量删除确认文件数=0"})
    EXPECT_NE(file.find(line), std::string::npos) << line << "\n" << file;
}

TEST_F(WindowTest, TheFatHoursBoxShowsAndStoresItsKey) {
  usb.writeIni("[配置]\nFAT时差小时数=5\n");
  open();
  auto& hours = widget<QSpinBox>("SpinFatHours");
  EXPECT_EQ(hours.value(), 5);
  EXPECT_EQ(hours.maximum(), 26);
  hours.setValue(0);
  EXPECT_EQ(SyncAction->Ostini().FatHours(), 0);
  hours.setValue(40);  // above the range: the box holds its most
  EXPECT_EQ(SyncAction->Ostini().FatHours(), 26);

  // Inside the safety group, clear of its other boxes (labels of one row
  // reach into the next row's band, as the existing ones do).
  const QRect group(QPoint(0, 0), widget<QGroupBox>("GroupBoxSafety").size());
  for (const char* name : {"LabelFatHours", "SpinFatHours", "LabelFatHours2"}) {
    const QRect box = widget<QWidget>(name).geometry();
    EXPECT_TRUE(group.contains(box)) << name;
    for (const char* other : {"CheckBoxVersions", "SpinVersionDays", "SpinConfirmFiles"})
      EXPECT_FALSE(box.intersects(widget<QWidget>(other).geometry())) << name << " / " << other;
  }
  const QRect spin = hours.geometry();
  for (const char* other : {"LabelVersionDays", "LabelConfirmFiles", "LabelConfirmFiles2"})
    EXPECT_FALSE(spin.intersects(widget<QWidget>(other).geometry())) << other;
  form_.reset();
  DestroySyncAction();
  EXPECT_NE(testsupport::readFile(usb.ini).find("FAT时差小时数=26"), std::string::npos);
}

TEST_F(WindowTest, ShowConfigFillsTheOptionsAndKeepsTheStoredLists) {
  usb.writeIni(
      "[配置]\n全部监测=0\n监测文件类型=\"*.a b\";*.c\n不监测文件类型=*.tmp\n"
      "被监测文件夹存在最新文件时=0\n被监测文件夹存在同步文件夹没有的文件时=5\n");
  open();
  TOstiniFileAction& ini = SyncAction->Ostini();
  EXPECT_FALSE(widget<QCheckBox>("CheckBox2").isChecked());
  EXPECT_TRUE(widget<QPlainTextEdit>("Memo3").isEnabled());
  EXPECT_EQ(widget<QPlainTextEdit>("Memo3").toPlainText(), QStringLiteral("\"*.a b\";*.c"));
  EXPECT_EQ(widget<QPlainTextEdit>("Memo1").toPlainText(), QStringLiteral("*.tmp"));
  // Showing the lists does not pass them through the boxes' conversion.
  EXPECT_EQ(items(ini.SyncFilesList()), (Items{"*.a b", "*.c"}));
  EXPECT_EQ(form_->RadioGroup1Index(), 0);
  EXPECT_EQ(form_->RadioGroup2Index(), -1) << "a stored value outside the items selects none";
  EXPECT_EQ(ini.WhenSyncedFolderHasNewFile(), 5);
  EXPECT_TRUE(errors.empty());
}
