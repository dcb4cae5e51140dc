// The preview button: its place, the preview in the pane with nothing
// changed, the question after it, and its state while jobs run.
#include <fstream>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

#include "engine/plan_preview.h"
#include "inventory/pglobal.h"
#include "tests/support/file_times.h"
#include "tests/support/tree_snapshot.h"
#include "tests/ui/window_fixture.h"
#include "ui/preview_question.h"

namespace fs = std::filesystem;
using testsupport::exactDifferences;
using testsupport::exactSnapshot;

namespace {

constexpr std::int64_t kT0 = 1'600'000'000;

void put(const std::string& folder, const std::string& rel, const std::string& data, std::int64_t time) {
  const fs::path file = fs::path(folder) / rel;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << data;
  testsupport::setMTime(file, time);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

class WindowPreview : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ui::setPreviewQuestion([this](QWidget*, const QString&, const QString& text) {
      questions.push_back(text);
      return answer;
    });
  }
  void TearDown() override {
    ui::setPreviewQuestion({});
    WindowTest::TearDown();
  }
  // The USB folder holds the newest file: the automatic sync would make the
  // disk folder like it, deleting the disk's own file.
  void usbIsNewer() {
    put(diskDir, "mine.txt", "only on the disk", kT0);
    put(usbDir, "stick.txt", "newer, on the stick", kT0 + 100);
  }
  QPushButton& previewButton() { return widget<QPushButton>("BtnPreview"); }

  std::vector<QString> questions;
  bool answer = false;
};

TEST_F(WindowPreview, SitsInTheFreeRightOfTheManualGroupOverlappingNothing) {
  open();
  QPushButton& b = previewButton();
  EXPECT_EQ(b.text(), QStringLiteral("预览"));
  EXPECT_EQ(b.parentWidget(), &widget<QGroupBox>("GroupBox7"));
  EXPECT_EQ(b.geometry(), QRect(352, 19, 249, 25));
  EXPECT_TRUE(QRect(QPoint(0, 0), b.parentWidget()->size()).contains(b.geometry()));
  for (const char* other : {"BtnSync", "BtnSyncDiskToU", "BtnSyncUToDisk"})
    EXPECT_FALSE(b.geometry().intersects(widget<QWidget>(other).geometry())) << other;
}

TEST_F(WindowPreview, ShowsThePreviewChangesNothingAndANoStartsNothing) {
  open();
  setBothFolders();
  usbIsNewer();
  const auto disk = exactSnapshot(diskDir), usb = exactSnapshot(usbDir);
  answer = false;
  previewButton().click();
  ASSERT_TRUE(waitForNoJob());
  ASSERT_TRUE(waitUntil([&] { return !questions.empty(); }));
  ASSERT_TRUE(waitForNoJob());

  const std::string pane = memoText();
  EXPECT_TRUE(contains(pane, "以U盘监测文件夹为架构同步硬盘监测文件夹")) << pane;
  EXPECT_TRUE(contains(pane, std::string(kPreviewMark) + "被同步文件夹删除文件" + diskDir + "/mine.txt")) << pane;
  EXPECT_TRUE(contains(pane, std::string(kPreviewMark) + "预览结束，未做任何更改")) << pane;
  EXPECT_EQ(exactDifferences(disk, exactSnapshot(diskDir)), "");
  EXPECT_EQ(exactDifferences(usb, exactSnapshot(usbDir)), "");
  ASSERT_EQ(questions.size(), 1u);
  const std::string question = questions[0].toStdString();
  EXPECT_EQ(question.rfind("按预览开始同步？", 0), 0u) << question;
  EXPECT_TRUE(contains(question, "以U盘监测文件夹为同步源更新硬盘监测文件夹")) << question;
  EXPECT_TRUE(contains(question, "删除文件：1个")) << question;
  EXPECT_TRUE(contains(question, "复制文件：1个")) << question;
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Previewed);
  EXPECT_EQ(previewButton().text(), QStringLiteral("预览"));
  EXPECT_TRUE(previewButton().isEnabled());
  EXPECT_TRUE(widget<QPushButton>("BtnSync").isEnabled());
  EXPECT_TRUE(errors.empty());
}

TEST_F(WindowPreview, AYesStartsTheSyncThePreviewShowedInItsDirection) {
  open();
  setBothFolders();
  usbIsNewer();
  answer = true;
  previewButton().click();
  ASSERT_TRUE(waitUntil([&] { return !questions.empty(); }));
  ASSERT_TRUE(waitUntil([&] {
    const auto job = form_->LastJob();
    return job && job->Outcome().End == TJobEnd::Done;
  }));
  ASSERT_TRUE(waitForNoJob());
  const std::string pane = memoText();
  EXPECT_TRUE(contains(pane, "强制以U盘监测文件夹为同步源更新硬盘监测文件夹")) << pane;
  EXPECT_TRUE(contains(pane, "手动同步结束")) << pane;
  EXPECT_FALSE(fs::exists(fs::path(diskDir) / "mine.txt"));
  EXPECT_EQ(testsupport::readFile(fs::path(diskDir) / "stick.txt"), "newer, on the stick");
  EXPECT_EQ(form_->Renderer().ClickBtn(), WindowControl::BtnSyncUToDisk);
  EXPECT_EQ(questions.size(), 1u);
}

TEST_F(WindowPreview, NothingToDoAsksNothing) {
  open();
  setBothFolders();
  put(diskDir, "a.txt", "a", kT0);
  put(usbDir, "a.txt", "a", kT0);
  answer = true;
  previewButton().click();
  ASSERT_TRUE(waitForNoJob());
  QCoreApplication::processEvents();
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(contains(memoText(), "已同步，无需更新")) << memoText();
}

TEST_F(WindowPreview, ABlankFolderBoxRefusesItLikeTheSyncButtons) {
  open();
  pickUsb(usbDir);
  previewButton().click();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], QStringLiteral("请设置好同步文件夹"));
  EXPECT_FALSE(SyncRunning);
}

TEST_F(WindowPreview, DisabledWhileASyncRunsAndItsOwnStopWhilePreviewing) {
  open();
  setBothFolders();
  for (int i = 0; i < 300; ++i) put(diskDir, "f" + std::to_string(i) + ".txt", std::string(1000, 'x'), kT0 + i);
  // While a sync runs, the preview button is off like the other sync buttons.
  bool seenOff = false;
  auto& sync = widget<QPushButton>("BtnSyncDiskToU");
  auto probe = QObject::connect(&widget<QPlainTextEdit>("Memo2"), &QPlainTextEdit::textChanged, form_.get(), [&] {
    if (SyncRunning && sync.text() == QStringLiteral("停止") && !previewButton().isEnabled()) seenOff = true;
  });
  sync.click();
  ASSERT_TRUE(waitForNoJob());
  QObject::disconnect(probe);
  EXPECT_TRUE(seenOff);
  EXPECT_TRUE(previewButton().isEnabled());

  // While the preview runs it is the stop button, and the sync buttons are off.
  put(usbDir, "later.txt", "newest", kT0 + 1000);
  bool stopSeen = false;
  probe = QObject::connect(&widget<QPlainTextEdit>("Memo2"), &QPlainTextEdit::textChanged, form_.get(), [&] {
    if (stopSeen || previewButton().text() != QStringLiteral("停止")) return;
    stopSeen = true;
    EXPECT_FALSE(widget<QPushButton>("BtnSync").isEnabled());
    EXPECT_FALSE(sync.isEnabled());
    EXPECT_FALSE(item("N1").isEnabled());
    pastStopGuard();
    previewButton().click();  // stop
  });
  previewButton().click();
  ASSERT_TRUE(waitForNoJob());
  QObject::disconnect(probe);
  EXPECT_TRUE(stopSeen);
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped);
  EXPECT_TRUE(contains(memoText(), "手动同步被停止！！！"));
  EXPECT_EQ(previewButton().text(), QStringLiteral("预览"));
  EXPECT_TRUE(questions.empty());
}

// The main page with the button and a preview in the pane, for a person to
// look at: build/screenshots/main-preview.png.
TEST_F(WindowPreview, Screenshot) {
  const char* source = std::getenv("DROVAN_SOURCE_DIR");
  const QString folder = QString::fromLocal8Bit(source ? source : ".") + QStringLiteral("/build/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  open();
  setBothFolders();
  usbIsNewer();
  put(usbDir, "报告/一月.doc", "stick", kT0 + 50);
  put(diskDir, "报告/一月.doc", "disk", kT0);
  put(diskDir, "照片/旧.jpg", "old", kT0);
  answer = false;
  previewButton().click();
  ASSERT_TRUE(waitUntil([&] { return !questions.empty(); }));
  ASSERT_TRUE(waitForNoJob());
  const QPixmap picture = form_->grab();
  EXPECT_TRUE(picture.save(folder + QStringLiteral("/main-preview.png")));
  QMessageBox box(QMessageBox::Question, QStringLiteral("CorvelDrovan"), questions.front(),
                  QMessageBox::Yes | QMessageBox::No, form_.get());
  box.setDefaultButton(QMessageBox::No);
  box.show();
  EXPECT_TRUE(box.grab().save(folder + QStringLiteral("/preview-question.png")));
}
