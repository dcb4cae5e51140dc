// The window's question before a big run: answered yes and no through the
// hook, and the real box closed by a close request while the job waits.
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "tests/support/file_times.h"
#include "tests/support/tree_snapshot.h"
#include "tests/ui/window_fixture.h"
#include "ui/big_change_question.h"

namespace fs = std::filesystem;
using testsupport::snapshot;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const std::string kNotConfirmed = "用户未确认大量删除或覆盖，未同步，没有改动任何文件";

}  // namespace

class WindowBigChange : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    open();
    setBothFolders();
    std::ofstream(diskDir + "/new.txt") << "n";
    testsupport::setMTime(diskDir + "/new.txt", 1'600'000'100);
    for (int i = 0; i < 12; ++i) {
      const std::string file = usbDir + "/old" + std::to_string(i) + ".txt";
      std::ofstream(file) << "o";
      testsupport::setMTime(file, 1'600'000'000);
    }
  }
  void TearDown() override {
    ui::setBigChangeQuestion({});
    WindowTest::TearDown();
  }
  void answerWith(bool yes) {
    ui::setBigChangeQuestion([this, yes](QWidget* parent, const QString& caption, const QString& text) {
      ++asked;
      askedParent = parent;
      askedCaption = caption;
      askedText = text.toStdString();
      return yes;
    });
  }
  void runAutoSync() {
    widget<QPushButton>("BtnSync").click();
    ASSERT_TRUE(waitForNoJob());
  }

  int asked = 0;
  QWidget* askedParent = nullptr;
  QString askedCaption;
  std::string askedText;
};

TEST_F(WindowBigChange, NoChangesNothingAndSaysSo) {
  const auto before = snapshot(usbDir);
  answerWith(false);
  runAutoSync();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(askedParent, form_.get());
  EXPECT_EQ(askedCaption, QStringLiteral("确认同步"));
  EXPECT_TRUE(contains(askedText, "删除目标文件夹独有的文件：12个文件")) << askedText;
  EXPECT_TRUE(contains(askedText, "同步目标：" + usbDir + "/")) << askedText;
  EXPECT_TRUE(contains(askedText, "同步源：" + diskDir + "/")) << askedText;
  EXPECT_TRUE(contains(memoText(), kNotConfirmed)) << memoText();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::NotConfirmed);
  EXPECT_EQ(snapshot(usbDir), before);
  EXPECT_EQ(widget<QPushButton>("BtnSync").text(), QStringLiteral("手动-自动判断同步源"));
}

TEST_F(WindowBigChange, YesGoesAhead) {
  answerWith(true);
  runAutoSync();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(contains(memoText(), kNotConfirmed));
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Done);
  EXPECT_FALSE(fs::exists(usbDir + "/old0.txt"));
  EXPECT_TRUE(fs::exists(usbDir + "/new.txt"));
}

TEST_F(WindowBigChange, ACloseRequestDuringTheBoxAnswersNoAndClosesAfterTheJob) {
  const auto before = snapshot(usbDir);
  int closedCount = 0;
  QObject::connect(form_.get(), &TSyncForm::closed, [&] { ++closedCount; });
  // The box runs its own loop: the check runs inside it.
  bool sawBox = false, defaultIsNo = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || sawBox) return;
    sawBox = true;
    defaultIsNo = box->defaultButton() && box->defaultButton()->text() == QStringLiteral("不同步");
    const char* source = std::getenv("DROVAN_SOURCE_DIR");
    fs::create_directories(std::string(source ? source : ".") + "/build/screenshots");
    box->grab().save(QString::fromLocal8Bit(source ? source : ".") +
                     QStringLiteral("/build/screenshots/big-change-question.png"));
    form_->close();
  });
  poll.start(20);
  widget<QPushButton>("BtnSync").click();
  ASSERT_TRUE(waitUntil([&] { return closedCount > 0; }));
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(sawBox);
  EXPECT_TRUE(defaultIsNo);
  EXPECT_TRUE(contains(memoText(), "手动同步被停止！！！")) << memoText();
  EXPECT_EQ(form_->LastJob()->Outcome().End, TJobEnd::Stopped);
  EXPECT_EQ(snapshot(usbDir), before);
}
