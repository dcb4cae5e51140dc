// Pictures of the three pages, idle and while a job runs, for a person to
// look at: build/screenshots/<page>-<state>.png.
#include <cstdlib>
#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTimer>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>

#include "engine/job_folder_locks.h"
#include "platform/folder_lock.h"
#include "tests/ui/window_fixture.h"
#include "ui/dialogs.h"
#include "ui/qt_translations.h"

namespace {

QString screenshotFolder() {
  const char* source = std::getenv("DROVAN_SOURCE_DIR");
  return QString::fromLocal8Bit(source ? source : ".") + QStringLiteral("/build/screenshots");
}

}  // namespace

class WindowScreenshots : public WindowTest {
 protected:
  void shootPages(const char* state) {
    auto& pages = widget<QStackedWidget>("PageControl1");
    const int shown = pages.currentIndex();
    const char* names[] = {"main", "options", "help"};
    for (int i = 0; i < 3; ++i) {
      pages.setCurrentIndex(i);
      const QString file = screenshotFolder() + QStringLiteral("/%1-%2.png").arg(names[i], state);
      const QPixmap picture = form_->grab();
      EXPECT_EQ(picture.size(), QSize(709, 456));
      EXPECT_TRUE(picture.save(file)) << file.toStdString();
    }
    pages.setCurrentIndex(shown);
  }
};

TEST_F(WindowScreenshots, PagesIdleAndRunning) {
  ASSERT_TRUE(QDir().mkpath(screenshotFolder()));
  open();
  setBothFolders();
  for (int i = 0; i < 200; ++i) std::ofstream(diskDir + "/文件" + std::to_string(i) + ".txt") << i;
  widget<QCheckBox>("CheckBox2").setChecked(false);
  widget<QPlainTextEdit>("Memo3").setPlainText(QStringLiteral("txt;doc?"));
  widget<QPlainTextEdit>("Memo1").setPlainText(QStringLiteral("tmp;bak"));
  shootPages("idle");

  auto& button = widget<QPushButton>("BtnSyncDiskToU");
  bool shot = false;
  QObject::connect(&widget<QPlainTextEdit>("Memo2"), &QPlainTextEdit::textChanged, form_.get(), [&] {
    if (shot || QString::fromStdString(memoText()).count(QStringLiteral("复制文件")) < 12) return;
    shot = true;
    // With the whole job's progress drawn.
    waitUntil([&] { return widget<QLabel>("LabelProgress").text().contains(QStringLiteral("已完成")); },
              std::chrono::seconds(5));
    shootPages("running");
    pastStopGuard();
    button.click();  // stop
  });
  button.click();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(shot) << memoText();
}

TEST_F(WindowScreenshots, TheBoxForFoldersInUse) {
  ASSERT_TRUE(QDir().mkpath(screenshotFolder()));
  open();
  setBothFolders();
  const platform::FolderLock other(diskDir);
  ASSERT_TRUE(other.held());
  QString shown;
  // The window's own box, drawn and pictured instead of waiting for a click.
  ui::setErrorBox([&](QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.show();
    EXPECT_TRUE(box.grab().save(screenshotFolder() + QStringLiteral("/folder-in-use.png")));
    shown = text;
  });
  widget<QPushButton>("BtnSync").click();
  EXPECT_EQ(shown.toStdString(), kFolderInUseText + diskDir);
  EXPECT_EQ(memoText(), "");
}

TEST_F(WindowScreenshots, TheFolderDialogInChinese) {
  ASSERT_TRUE(QDir().mkpath(screenshotFolder()));
  ASSERT_TRUE(ui::installQtTranslations(*QCoreApplication::instance()));
  open();
  ui::setFolderDialog({});  // Qt's own chooser, as the program shows it
  QString accept, cancel;
  QTimer::singleShot(500, form_.get(), [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    if (const auto* buttons = dialog->findChild<QDialogButtonBox*>()) {
      accept = buttons->button(QDialogButtonBox::Open)->text();
      cancel = buttons->button(QDialogButtonBox::Cancel)->text();
    }
    EXPECT_TRUE(dialog->grab().save(screenshotFolder() + QStringLiteral("/folder-dialog.png")));
    dialog->close();
  });
  QString folder;
  EXPECT_FALSE(ui::folderDialog(form_.get(), QStringLiteral("选择文件夹"), QDir::tempPath(), folder));
  EXPECT_TRUE(accept.startsWith(QStringLiteral("选择"))) << accept.toStdString();
  EXPECT_EQ(cancel, QStringLiteral("取消"));
}
