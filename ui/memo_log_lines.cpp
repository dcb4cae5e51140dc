#include "ui/memo_log_lines.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The empty block after the last line (or the only block of an empty pane).
bool isEmptyBlock(const QTextBlock& block) { return block.length() <= 1; }

bool breaksBlock(QChar c) {
  return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
         c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
}

}  // namespace

QString paneLine(std::string_view line) {
  QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  for (QChar& c : text)
    if (breaksBlock(c)) c = QChar::ReplacementCharacter;
  return text;
}

MemoLogLines::MemoLogLines(QPlainTextEdit& memo) : memo_(memo) {}

std::size_t MemoLogLines::count() const {
  const QTextDocument* doc = memo_.document();
  const int blocks = doc->blockCount();
  return static_cast<std::size_t>(isEmptyBlock(doc->lastBlock()) ? blocks - 1 : blocks);
}

QTextBlock MemoLogLines::lastLineBlock() const {
  const QTextBlock last = memo_.document()->lastBlock();
  return isEmptyBlock(last) ? last.previous() : last;
}

void MemoLogLines::add(std::string_view line) {
  QTextDocument* doc = memo_.document();
  QTextCursor cursor(doc);
  cursor.movePosition(QTextCursor::End);
  // Text the user typed after the last line stays a line of its own.
  if (!isEmptyBlock(doc->lastBlock())) cursor.insertBlock();
  cursor.insertText(paneLine(line));
  cursor.insertBlock();
}

std::string MemoLogLines::last() const {
  if (count() == 0) return {};
  return lastLineBlock().text().toStdString();
}

void MemoLogLines::replaceLast(std::string_view line) {
  if (count() == 0) {
    add(line);
    return;
  }
  const QTextBlock block = lastLineBlock();
  QTextCursor cursor(memo_.document());
  cursor.setPosition(block.position());
  cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
  cursor.insertText(paneLine(line));
}

void MemoLogLines::deleteLast() {
  if (count() == 0) return;
  QTextDocument* doc = memo_.document();
  QTextCursor cursor(doc);
  cursor.setPosition(lastLineBlock().position());
  cursor.setPosition(doc->characterCount() - 1, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

void MemoLogLines::clear() { memo_.clear(); }

void MemoLogLines::scrollToEnd() {
  QScrollBar* bar = memo_.verticalScrollBar();
  bar->setValue(bar->maximum());
}
