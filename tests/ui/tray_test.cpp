// Minimising, the restore and the tray menu.
#include <QCoreApplication>
#include <QMenu>

#include "tests/ui/window_fixture.h"

TEST_F(WindowTest, TrayMenuOffersTheSyncsAndTheExit) {
  open();
  QStringList shown;
  for (QAction* a : widget<QMenu>("PopupMenu1").actions())
    if (a->isVisible()) shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(shown, (QStringList{"手动-自动选择同步源", "手动-同步本地硬盘到U盘", "手动-同步U盘到本地硬盘到", "-", "退出"}));
  EXPECT_FALSE(item("N3").isVisible()) << "the timed automatic mode is not offered";
  EXPECT_EQ(widget<QMenu>("PopupMenu1").actions().indexOf(&item("N2")), 5);
}

TEST_F(WindowTest, MinimisingHidesOnlyWhereATrayCanBringTheWindowBack) {
  open();
  trayAvailable = false;
  form_->showMinimized();
  QCoreApplication::processEvents();
  EXPECT_TRUE(form_->isMinimized());
  EXPECT_TRUE(form_->isVisible()) << "without a tray the window stays on the task bar";

  form_->TrayIcon1DblClick();
  trayAvailable = true;
  form_->showMinimized();
  ASSERT_TRUE(waitUntil([&] { return !form_->isVisible(); }));

  // A job started from the tray while hidden logs into the hidden pane.
  setBothFolders();
  item("N1").trigger();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_FALSE(form_->isVisible());
  // "退出" reaches the hidden window too.
  int closedCount = 0;
  QObject::connect(form_.get(), &TSyncForm::closed, [&] { ++closedCount; });
  item("N5").trigger();
  EXPECT_EQ(closedCount, 1);
  form_->TrayIcon1DblClick();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_FALSE(form_->isMinimized());
  EXPECT_NE(memoText().find("同步结束，用时"), std::string::npos) << memoText();
}
