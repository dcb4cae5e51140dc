// The log pane: its lines as the renderer sees them, progress in place, and
// the menu's copy, clear and save.
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QPaintEvent>
#include <QTextBlock>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextCursor>

#include "tests/ui/window_fixture.h"
#include "ui/folder_checks.h"
#include "ui/log_pane.h"
#include "ui/memo_log_lines.h"

TEST(MemoLogLines, LinesOfTheTextPane) {
  QPlainTextEdit memo;
  MemoLogLines log(memo);
  EXPECT_EQ(log.count(), 0u);
  EXPECT_EQ(log.last(), "");
  log.add("");
  EXPECT_EQ(log.count(), 1u) << "an empty line is a line";
  log.add("第二行");
  EXPECT_EQ(log.count(), 2u);
  EXPECT_EQ(log.last(), "第二行");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("\n第二行\n"));
  log.replaceLast("替换");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("\n替换\n"));
  log.deleteLast();
  log.deleteLast();
  EXPECT_EQ(log.count(), 0u);
  log.deleteLast();
  log.replaceLast("唯一 😀");
  log.replaceLast("唯一 😃");  // the same first half of the character
  EXPECT_EQ(log.last(), "唯一 😃");
  log.replaceLast("唯一");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("唯一\n"));

  // Text the user typed after the last line is a line of its own.
  QTextCursor cursor(memo.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText("  ");
  EXPECT_EQ(log.count(), 2u);
  EXPECT_EQ(log.last(), "  ");
  log.add("下一行");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("唯一\n  \n下一行\n"));

  // A character the document takes as a break stays inside its line.
  log.add("a\u2029b");
  EXPECT_EQ(log.count(), 4u);
  log.clear();
  EXPECT_EQ(log.count(), 0u);
}

// The pane remembers its last line between messages; whatever the user does
// to the text in between is what the next message works on.
TEST(MemoLogLines, WhatTheUserTypedIsSeenByTheNextChange) {
  QPlainTextEdit memo;
  MemoLogLines log(memo);
  log.beginUpdate();
  log.add("复制文件a到b");
  log.replaceLast("复制文件a到b 10%");
  log.endUpdate();

  // Typed at the end of the last line: it belongs to that line.
  QTextCursor cursor(memo.document());
  cursor.setPosition(memo.document()->lastBlock().previous().position() + 5);
  cursor.insertText(QStringLiteral("改"));
  EXPECT_EQ(log.last(), "复制文件a改到b 10%");
  log.replaceLast("复制文件a到b 20%");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("复制文件a到b 20%\n"));

  // Removed by the user: the pane is empty, and the next line its only one.
  memo.selectAll();
  memo.textCursor().removeSelectedText();
  EXPECT_EQ(log.count(), 0u);
  EXPECT_EQ(log.last(), "");
  log.replaceLast("复制文件a到b 30%");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("复制文件a到b 30%\n"));

  // Replaced by a text of the pane's own (a paste over everything).
  memo.setPlainText(QStringLiteral("别的文字"));
  EXPECT_EQ(log.last(), "别的文字");
  log.deleteLast();
  EXPECT_EQ(log.count(), 0u);
}

// Typed after the last line, a text is the last line until the next line
// comes, also while messages rewrite it.
TEST(MemoLogLines, ATextTypedAfterTheLastLineIsRewrittenInPlace) {
  QPlainTextEdit memo;
  MemoLogLines log(memo);
  log.add("复制文件a到b");
  log.replaceLast("复制文件a到b 50%");
  QTextCursor cursor(memo.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(QStringLiteral("备注"));
  log.replaceLast("复制文件c到d");
  log.replaceLast("复制文件c到d 100%");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("复制文件a到b 50%\n复制文件c到d 100%"));
  log.add("下一行");
  log.replaceLast("下一行 1%");
  log.replaceLast("下一行 2%");
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("复制文件a到b 50%\n复制文件c到d 100%\n下一行 2%\n"));
  EXPECT_EQ(log.count(), 3u);
}

// The pane keeps its count of lines between changes: a line break the user
// types, or a pane that drops its first lines, is counted all the same.
TEST(MemoLogLines, CountsWhatTheUserAndThePaneItselfChanged) {
  QPlainTextEdit memo;
  MemoLogLines log(memo);
  log.add("一");
  log.add("二");
  ASSERT_EQ(log.count(), 2u);
  QTextCursor cursor(memo.document());
  cursor.setPosition(1);
  cursor.insertText(QStringLiteral("\n"));
  EXPECT_EQ(log.count(), 3u);
  log.add("三");
  EXPECT_EQ(log.count(), 4u);
  log.deleteLast();
  EXPECT_EQ(log.count(), 3u);
  EXPECT_EQ(log.last(), "二");

  memo.setMaximumBlockCount(3);
  EXPECT_EQ(log.count(), 2u);
  log.add("四");
  log.add("五");
  EXPECT_EQ(log.count(), static_cast<std::size_t>(memo.document()->blockCount() - 1));
  EXPECT_EQ(log.last(), "五");
}

// A held edit: the lines as the renderer sees them change at once, and the
// document, with the pane's own listeners, gets them once the edit is
// finished (or the pane paints). A listener that came later hears of every
// change at once, and so does any listener of a pane of another kind.
TEST(MemoLogLines, AHeldEditIsHeardOfWhenFinishedUnlessSomeoneElseListens) {
  LogPane pane;
  int heard = 0;
  QObject::connect(&pane, &QPlainTextEdit::textChanged, [&] { ++heard; });  // part of the pane's set-up
  MemoLogLines log(pane);
  const auto heldAdd = [&](const char* line) {
    log.holdEdit();
    log.beginUpdate();
    log.add(line);
    log.endUpdate();
  };
  heard = 0;
  heldAdd("一");
  EXPECT_EQ(log.last(), "一");
  EXPECT_EQ(log.count(), 1u);
  EXPECT_EQ(heard, 0);
  log.finishHeldEdit();
  EXPECT_EQ(pane.toPlainText(), QStringLiteral("一\n"));
  EXPECT_EQ(heard, 1);

  heldAdd("二");
  log.paintNow();
  EXPECT_EQ(pane.toPlainText(), QStringLiteral("一\n二\n"));
  EXPECT_EQ(heard, 2) << "painting finishes the edit";

  int later = 0;
  auto connection = QObject::connect(&pane, &QPlainTextEdit::textChanged, [&] { ++later; });
  heldAdd("三");
  EXPECT_EQ(pane.toPlainText(), QStringLiteral("一\n二\n三\n"));
  EXPECT_EQ(later, 1);
  EXPECT_EQ(heard, 3);
  log.finishHeldEdit();
  QObject::disconnect(connection);
  heldAdd("四");
  EXPECT_EQ(heard, 3) << "held again once the later listener is gone";
  log.finishHeldEdit();
  EXPECT_EQ(heard, 4);
  EXPECT_EQ(pane.toPlainText(), QStringLiteral("一\n二\n三\n四\n"));

  QPlainTextEdit plain;
  MemoLogLines plainLog(plain);
  int plainHeard = 0;
  QObject::connect(&plain, &QPlainTextEdit::textChanged, [&] { ++plainHeard; });
  plainLog.holdEdit();
  plainLog.beginUpdate();
  plainLog.add("五");
  plainLog.endUpdate();
  EXPECT_EQ(plainHeard, 1);
  EXPECT_EQ(plain.toPlainText(), QStringLiteral("五\n"));
}

// Whatever a held edit does to the lines, the document ends up with the same
// text as when every change is made at once, and reads the same meanwhile.
TEST(MemoLogLines, AHeldEditEndsAsChangesMadeAtOnce) {
  struct Pane {
    LogPane widget;
    MemoLogLines log{widget};
  };
  Pane held, direct;
  const auto both = [&](auto&& change) {
    held.log.holdEdit();
    held.log.beginUpdate();
    direct.log.beginUpdate();
    change(held.log);
    change(direct.log);
    EXPECT_EQ(held.log.last(), direct.log.last());
    EXPECT_EQ(held.log.count(), direct.log.count());
    held.log.endUpdate();
    direct.log.endUpdate();
    held.log.finishHeldEdit();
    EXPECT_EQ(held.widget.toPlainText(), direct.widget.toPlainText());
  };
  // A copy line, then its progress rewritten twice within one message.
  both([](LogLines& log) {
    log.add("复制文件a到b");
    log.replaceLast("复制文件a到b 10%");
    log.replaceLast("复制文件a到b 20%");
  });
  // The document's last line rewritten, then a line added after it.
  both([](LogLines& log) {
    log.replaceLast("复制文件a到b 100%");
    log.add("复制文件c到d");
  });
  both([](LogLines& log) { log.replaceLast("复制文件c到d 100%"); });
  both([](LogLines& log) { log.replaceLast("复制文件c到d 100%"); });  // nothing changes
  // Removed again before the document has it.
  both([](LogLines& log) {
    log.add("短");
    log.deleteLast();
    log.add("长一点的行");
  });
  // Bytes that are no UTF-8 read back as the pane shows them.
  both([](LogLines& log) {
    log.add("坏\xff字节");
    log.replaceLast("坏\xfe字节\xef\xbf\xbd 1%");
  });
  EXPECT_EQ(held.log.last(), "坏\xef\xbf\xbd字节\xef\xbf\xbd 1%");
  // A byte order mark at the start is dropped as the pane decodes the line.
  both([](LogLines& log) { log.add("\xef\xbb\xbf" "标记"); });
  EXPECT_EQ(held.log.last(), "标记");
  EXPECT_EQ(direct.log.last(), "标记");
  both([](LogLines& log) {
    log.add("清空之前");
    log.clear();
    log.add("清空之后");
  });
  EXPECT_EQ(held.widget.toPlainText(), QStringLiteral("清空之后\n"));

  // Typed after the last line: the next rewrite finds the user's text.
  for (Pane* pane : {&held, &direct}) {
    QTextCursor cursor(pane->widget.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("备注"));
  }
  both([](LogLines& log) {
    log.replaceLast("替换备注");
    log.add("下一行");
  });
  EXPECT_EQ(held.widget.toPlainText(), QStringLiteral("清空之后\n替换备注\n下一行\n"));

  // A pane that drops its first lines counts them itself: nothing is held.
  held.widget.setMaximumBlockCount(3);
  direct.widget.setMaximumBlockCount(3);
  both([](LogLines& log) {
    log.add("五");
    log.add("六");
  });
  EXPECT_EQ(held.log.count(), 2u);
}

namespace {

// Records the regions the pane paints.
class PaintRecorder : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      painted |= static_cast<QPaintEvent*>(event)->rect();
      ++paints;
    }
    return false;
  }
  QRect painted;
  int paints = 0;
};

}  // namespace

// Lets the event loop run for a while, as the window's would.
static void runEventsFor(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A frame paints the whole pane, its border and scroll bar too, also when
// the next line comes before the event loop runs again, as a job's lines do.
TEST(MemoLogLines, AFramePaintsThePaneWithItsBorderAndScrollBar) {
  QWidget window;
  window.resize(709, 201);
  QPlainTextEdit memo(&window);
  memo.resize(709, 201);
  memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoLogLines log(memo);
  window.show();
  runEventsFor(MemoLogLines::kPaintInterval * 2);
  PaintRecorder border, bar;
  memo.installEventFilter(&border);
  memo.verticalScrollBar()->installEventFilter(&bar);
  for (int frame = 0; frame < 3; ++frame) {
    for (int i = 0; i < 50; ++i) log.add("第" + std::to_string(i) + "行");
    log.scrollToEnd();
    border.paints = bar.paints = 0;
    log.paintNow();
    log.add("下一行");
    QCoreApplication::processEvents();
    EXPECT_GT(border.paints, 0) << "frame " << frame;
    EXPECT_GT(bar.paints, 0) << "frame " << frame;
  }
}

TEST(MemoLogLines, ChangesArePaintedAtTheDisplaysPace) {
  QWidget window;  // as in the form: the pane is a child
  window.resize(709, 201);
  QPlainTextEdit memo(&window);
  memo.resize(709, 201);
  MemoLogLines log(memo);
  window.show();
  runEventsFor(MemoLogLines::kPaintInterval * 2);
  PaintRecorder recorder;
  memo.viewport()->installEventFilter(&recorder);

  // A burst of lines, each handled in its own pass of the event loop as the
  // job's messages are: each reaches the document at once, but the pane is
  // painted only once per interval.
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 2000; ++i) {
    log.add("第" + std::to_string(i) + "行 /home/用户/资料/文件.txt");
    log.scrollToEnd();
    QCoreApplication::processEvents();
  }
  const auto frames = clock.elapsed() / MemoLogLines::kPaintInterval + 2;
  EXPECT_EQ(log.count(), 2000u);
  EXPECT_LE(recorder.paints, frames) << "painted per message";
  // A line after a frame waits for the next one.
  log.paintNow();
  QCoreApplication::processEvents();
  recorder.painted = QRect();
  clock.restart();
  log.add("第2000行");
  log.scrollToEnd();
  QCoreApplication::processEvents();
  QScrollBar* bar = memo.verticalScrollBar();
  if (clock.elapsed() < MemoLogLines::kPaintInterval) {
    EXPECT_TRUE(recorder.painted.isEmpty()) << "painted before the interval passed";
  }

  // Once the interval has passed, the pane shows the end.
  runEventsFor(MemoLogLines::kPaintInterval * 3);
  EXPECT_FALSE(recorder.painted.isEmpty());
  EXPECT_EQ(bar->value(), bar->maximum());
  const auto lastLineShown = [&] {
    QTextCursor end(memo.document());
    end.setPosition(memo.document()->lastBlock().previous().position());
    return memo.viewport()->rect().contains(memo.cursorRect(end));
  };
  EXPECT_TRUE(lastLineShown());

  // A progress text rewritten in place is laid out only when painted, and
  // painted with the next frame.
  recorder.painted = QRect();
  log.beginUpdate();
  log.replaceLast("最后一行 37%");
  log.endUpdate();
  const QTextBlock last = memo.document()->lastBlock().previous();
  EXPECT_EQ(last.layout()->lineCount(), 0) << "laid out per message";
  runEventsFor(MemoLogLines::kPaintInterval * 3);
  EXPECT_GT(last.layout()->lineCount(), 0) << "laid out again when painted";
  QTextCursor at(memo.document());
  at.setPosition(last.position() + 3);
  EXPECT_TRUE(recorder.painted.intersects(memo.cursorRect(at))) << "the changed row is painted";

  // The end of a job paints at once.
  recorder.painted = QRect();
  log.add("同步结束");
  log.scrollToEnd();
  log.paintNow();
  QCoreApplication::processEvents();
  EXPECT_FALSE(recorder.painted.isEmpty());
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(lastLineShown());

  // A line that grows much is laid out at once; adding a line still works.
  log.replaceLast("最后一行 37% 以及很长很长的附加文字");
  EXPECT_EQ(log.last(), "最后一行 37% 以及很长很长的附加文字");
  log.add("新行");
  EXPECT_EQ(log.count(), 2003u);
  log.clear();
  EXPECT_NE(dynamic_cast<LogDocumentLayout*>(memo.document()->documentLayout()), nullptr);
}

TEST_F(WindowTest, ProgressRewritesTheCopyLineInPlace) {
  open();
  sendLine("第一行\r\n第二行\r\n");
  TCopyInfo info;
  info.SrcFile = "/盘/a/x.txt";
  info.DestFile = "/u/b/x.txt";
  info.CopyKind = CopyNew;
  info.TotalSize = 200;
  platform::SendMessage(form_->Handle(), WM_COPYSTART, copyInfoParam(info), 0);
  const auto& memo = widget<QPlainTextEdit>("Memo2");
  const int blocks = memo.document()->blockCount();
  info.CopiedSize = 50;
  platform::SendMessage(form_->Handle(), WM_COPYPROGRESS, copyInfoParam(info), 0);
  info.CopiedSize = 200;
  platform::SendMessage(form_->Handle(), WM_COPYPROGRESS, copyInfoParam(info), 0);
  EXPECT_EQ(memo.document()->blockCount(), blocks);
  const std::string copyLine = form_->Renderer().LastCopyLine();
  EXPECT_NE(copyLine.find("  复制文件/盘/a/x.txt到/u/b/x.txt"), std::string::npos) << copyLine;
  EXPECT_EQ(memoText(), "第一行\n第二行\n" + copyLine + " 100%\n");
  EXPECT_FALSE(memo.textCursor().hasSelection()) << "the job's lines select nothing";

  // Cleared during the copy: the progress becomes the only line.
  item("N7").trigger();
  platform::SendMessage(form_->Handle(), WM_COPYPROGRESS, copyInfoParam(info), 0);
  EXPECT_EQ(memoText(), copyLine + " 100%\n");
}

TEST_F(WindowTest, LogMenuCopiesClearsAndSaves) {
  open();
  sendLine("一行\r\n两行");
  auto& memo = widget<QPlainTextEdit>("Memo2");
  memo.selectAll();  // a selection does not matter
  item("N6").trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("一行\n两行\n"));

  saveAnswer.reset();
  item("N8").trigger();
  const QString folder = QString::fromStdString(ProgramFolder(usb.paths()));
  EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(folder) + "工作日志-\\d{8}-\\d{6}\\.txt$")
                  .match(saveProposal)
                  .hasMatch())
      << saveProposal.toStdString();

  const std::string saved = disk.str() + "/日志.txt";
  saveAnswer = QString::fromStdString(saved);
  item("N8").trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(testsupport::readFile(saved), "一行\n两行\n");

  saveAnswer = QString::fromStdString(disk.str() + "/没有/日志.txt");
  item("N8").trigger();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].contains(QStringLiteral("没有/日志.txt"))) << errors[0].toStdString();

  item("N7").trigger();
  EXPECT_EQ(memoText(), "");
  item("N6").trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}
