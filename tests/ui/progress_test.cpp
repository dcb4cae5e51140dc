// The whole job's progress beside the sync buttons and in the tray's tool
// tip, and the small traps around a running job: a double click on a start,
// the options page open during a job started from the tray, check marks on
// the tray items, Qt's own dialog texts in Chinese.
#include <fstream>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QSystemTrayIcon>

#include "config/pOstSync.h"
#include "tests/ui/window_fixture.h"
#include "ui/qt_translations.h"

namespace {

void writeFiles(const std::string& folder, int count, std::size_t size) {
  for (int i = 0; i < count; ++i) std::ofstream(folder + "/f" + std::to_string(i) + ".bin") << std::string(size, 'p');
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int copyLines(const std::string& memo) {
  int lines = 0;
  for (std::size_t at = memo.find("复制文件"); at != std::string::npos; at = memo.find("复制文件", at + 1)) ++lines;
  return lines;
}

}  // namespace

class WindowProgress : public WindowTest {
 protected:
  QProgressBar& bar() { return widget<QProgressBar>("ProgressJob"); }
  QLabel& label() { return widget<QLabel>("LabelProgress"); }
  bool idleDisplay() {
    return !bar().isVisible() && !label().isVisible() && label().text().isEmpty() &&
           TrayIcon1().toolTip() == QStringLiteral("CorvelDrovan");
  }
  QSystemTrayIcon& TrayIcon1() { return *form_->TrayIcon1; }
};

TEST_F(WindowProgress, ShowsTheWholeJobWhileItRunsAndNothingWhenIdle) {
  open();
  setBothFolders();
  writeFiles(diskDir, 40, 100000);
  EXPECT_TRUE(idleDisplay()) << "idle before any job";
  const QRect buttons = widget<QPushButton>("BtnSyncUToDisk").geometry();
  const QRect preview = widget<QPushButton>("BtnPreview").geometry();

  bool shownAtStart = false;
  int barDuring = -1;
  QString labelDuring, tipDuring;
  onPaneChange([] { return true; }, [&] { shownAtStart = bar().isVisible() && label().isVisible(); });
  onPaneChange([&] { return copyLines(memoText()) >= 20; }, [&] {
    // The display follows at its own pace, the tool tip once a second: let
    // them catch up.
    waitUntil(
        [&] {
          return label().text().contains(QRegularExpression(QStringLiteral("已完成 (19|[2-9]\\d)/40 项"))) &&
                 TrayIcon1().toolTip().contains(QStringLiteral("已完成"));
        },
        std::chrono::seconds(5));
    barDuring = bar().value();
    labelDuring = label().text();
    tipDuring = TrayIcon1().toolTip();
  });
  widget<QPushButton>("BtnSyncDiskToU").click();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(contains(memoText(), "手动同步结束")) << memoText();

  EXPECT_TRUE(shownAtStart);
  EXPECT_GT(barDuring, 400);
  EXPECT_LT(barDuring, 600);
  EXPECT_TRUE(labelDuring.contains(QRegularExpression(QStringLiteral("^已完成 \\d+/40 项，[\\d.]+MB/3\\.8MB(\n|$)"))))
      << labelDuring.toStdString();
  EXPECT_TRUE(tipDuring.startsWith(QStringLiteral("CorvelDrovan\n已完成 "))) << tipDuring.toStdString();
  EXPECT_TRUE(idleDisplay()) << "left behind after the end";

  // Beside the buttons, inside the group, over nothing the window places.
  const QRect shown = bar().geometry().united(label().geometry());
  EXPECT_GE(shown.left(), buttons.right());
  EXPECT_GE(shown.top(), preview.bottom());
  EXPECT_TRUE(widget<QGroupBox>("GroupBox7").rect().contains(shown));
  EXPECT_EQ(widget<QPushButton>("BtnSyncUToDisk").geometry(), buttons);
}

TEST_F(WindowProgress, AStoppedJobLeavesNoProgressAndADoubleClickDoesNotStop) {
  open();
  setBothFolders();
  writeFiles(diskDir, 200, 1000);
  auto& button = widget<QPushButton>("BtnSyncDiskToU");
  // The second click of a double click lands on "停止" at once.
  bool secondClickStopped = true;
  onPaneChange([&] { return button.text() == QStringLiteral("停止"); }, [&] {
    button.click();
    secondClickStopped = StopSync;
  });
  button.click();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_FALSE(secondClickStopped);
  EXPECT_TRUE(contains(memoText(), "手动同步结束")) << memoText();
  EXPECT_FALSE(contains(memoText(), "手动同步被停止！！！"));

  // A stop later than that is a stop, and the display goes idle.
  std::ofstream(diskDir + "/late.bin") << "x";
  for (int i = 0; i < 200; ++i) std::ofstream(diskDir + "/g" + std::to_string(i) + ".bin") << i;
  bool displayedWhileRunning = false;
  onPaneChange([&] { return contains(memoText(), "g1"); }, [&] {
    displayedWhileRunning = bar().isVisible();
    pastStopGuard();
    button.click();
  });
  button.click();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(contains(memoText(), "手动同步被停止！！！")) << memoText();
  EXPECT_TRUE(displayedWhileRunning);
  EXPECT_TRUE(idleDisplay());
}

TEST_F(WindowProgress, TheOptionsPageIsLockedDuringAJobStartedFromTheTray) {
  open();
  setBothFolders();
  writeFiles(diskDir, 5, 10);
  widget<QPushButton>("Button1").click();  // the options page is open
  ASSERT_EQ(form_->PageControl1->currentWidget(), form_->TabSheet2);
  for (const char* name : {"N1", "U1", "U2"}) EXPECT_FALSE(item(name).isCheckable()) << name << " looks like an option";

  bool optionsLocked = false, backAvailable = false, onlyRunningChecked = false;
  onPaneChange([] { return true; }, [&] {
    optionsLocked = !widget<QCheckBox>("CheckBox2").isEnabled() && !widget<QPlainTextEdit>("Memo3").isEnabled() &&
                    !widget<QCheckBox>("CheckBoxVersions").isEnabled() &&
                    !widget<QSpinBox>("SpinConfirmFiles").isEnabled();
    backAvailable = widget<QPushButton>("Button15").isEnabled();
    onlyRunningChecked = item("U1").isCheckable() && item("U1").isChecked() && !item("N1").isCheckable() &&
                         !item("U2").isCheckable();
  });
  item("U1").trigger();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(optionsLocked);
  EXPECT_TRUE(backAvailable);
  EXPECT_TRUE(onlyRunningChecked);
  EXPECT_TRUE(widget<QCheckBox>("CheckBox2").isEnabled());
  EXPECT_TRUE(widget<QCheckBox>("CheckBoxVersions").isEnabled());
  for (const char* name : {"N1", "U1", "U2"}) EXPECT_FALSE(item(name).isCheckable()) << name;
}

TEST_F(WindowProgress, FolderBoxesLookReadOnly) {
  open();
  for (const char* name : {"Edit1", "Edit3"}) {
    const QLineEdit& box = widget<QLineEdit>(name);
    EXPECT_TRUE(box.isReadOnly());
    EXPECT_EQ(box.palette().color(QPalette::Active, QPalette::Base),
              box.palette().color(QPalette::Active, QPalette::Window))
        << name << " looks editable";
  }
}

TEST(QtTranslations, ChineseForEveryLocale) {
  EXPECT_EQ(ui::qtTranslationNames({QStringLiteral("en-US")}), QStringList{QStringLiteral("qtbase_zh_CN")});
  EXPECT_EQ(ui::qtTranslationNames({QStringLiteral("zh-CN")}), QStringList{QStringLiteral("qtbase_zh_CN")});
  EXPECT_EQ(ui::qtTranslationNames({QStringLiteral("de-DE"), QStringLiteral("zh-Hant-TW")}).first(),
            QStringLiteral("qtbase_zh_TW"));
  EXPECT_EQ(ui::qtTranslationNames({}), QStringList{QStringLiteral("qtbase_zh_CN")});
}

TEST(QtTranslations, DialogButtonsSpeakChinese) {
  ASSERT_TRUE(ui::installQtTranslations(*QCoreApplication::instance()))
      << "Qt's Chinese translations are missing (qt6-translations-l10n)";
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Drovan"), QStringLiteral("错误"), QMessageBox::Ok);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
  QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), QStringLiteral("保存"));
  // The folder chooser's own button.
  QFileDialog chooser;
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setFileMode(QFileDialog::Directory);
  const auto* chooserButtons = chooser.findChild<QDialogButtonBox*>();
  ASSERT_NE(chooserButtons, nullptr);
  EXPECT_TRUE(chooserButtons->button(QDialogButtonBox::Open)->text().startsWith(QStringLiteral("选择")))
      << chooserButtons->button(QDialogButtonBox::Open)->text().toStdString();
}
