#include "ui/memo_log_lines.h"

#include <algorithm>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/log_pane.h"

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

LogDocumentLayout::LogDocumentLayout(QTextDocument* document)
    : QPlainTextDocumentLayout(document), blockCount_(document->blockCount()) {}

namespace {

// The last line of the pane: only the empty block after the last line, or
// nothing, follows it.
bool isLastLine(const QTextBlock& block) {
  const QTextBlock next = block.next();
  return !next.isValid() || (!next.next().isValid() && isEmptyBlock(next));
}

// How many characters a line may grow in place and still be drawn lazily: a
// progress text grows by one ("99%" to "100%"), which adds at most one row.
constexpr int kLazyGrowth = 4;

}  // namespace

void LogDocumentLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
  const QTextDocument* doc = document();
  const int blocks = doc->blockCount();
  const QTextBlock block = doc->findBlock(from);
  const bool oneBlock = blocks == blockCount_ && block == doc->findBlock(from + std::max(charsAdded, 1) - 1);
  const bool inPlace = charsRemoved > 0 && oneBlock;
  blockCount_ = blocks;
  if (deferred_ && oneBlock && isLastLine(block)) {
    QTextBlock(block).clearLayout();
    return;
  }
  if (inPlace && isLastLine(block) && charsAdded <= charsRemoved + kLazyGrowth) {
    // The last line changed in place (a progress text): its old place and
    // the row below it are painted again, and the line is laid out only
    // then, so a progress message costs no text layout of its own. A line
    // without layout has not been painted since its last change, whose
    // repaint is still due.
    if (block.layout()->lineCount() > 0) {
      emit updateBlock(block);
      // A line that grows may take one more row.
      if (charsAdded > charsRemoved && block.next().isValid()) emit updateBlock(block.next());
      QTextBlock(block).clearLayout();
    }
    return;
  }
  if (inPlace) {
    charsRemoved = 0;
    charsAdded = std::max(charsAdded, 1);
  }
  QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
}

MemoLogLines::MemoLogLines(QPlainTextEdit& memo)
    : memo_(memo), pane_(dynamic_cast<LogPane*>(&memo)), document_(new LogDocument(&memo)) {
  LogDocument* document = document_;
  document->setDocumentLayout(new LogDocumentLayout(document));
  document->setDefaultFont(memo.font());
  document->setUndoRedoEnabled(memo.isUndoRedoEnabled());
  memo.setDocument(document);
  QObject::connect(document, &QTextDocument::contentsChange, &memo_, [this] {
    if (ownChange_) return;
    last_.reset();
    count_.reset();
  });
  paintTimer_.setSingleShot(true);
  paintTimer_.setInterval(kPaintInterval);
  paintTimer_.callOnTimeout([this] { paintNow(); });
  ownListeners_ = listeners();
}

int MemoLogLines::listeners() const { return document_->listeners() + (pane_ ? pane_->listeners() : 0); }

void MemoLogLines::holdEdit() {
  holdEdit_ = pane_ && memo_.document() == document_ && listeners() == ownListeners_;
  if (!holdEdit_) applyPending();
}

void MemoLogLines::holdPaint() {
  if (held_) return;
  held_ = true;
  memo_.setUpdatesEnabled(false);
  // The pane hears of the document's new size once per frame: it lays out
  // the lines at the end each time it hears of it.
  QAbstractTextDocumentLayout* layout = memo_.document()->documentLayout();
  layout->blockSignals(true);
  if (auto* log = dynamic_cast<LogDocumentLayout*>(layout)) log->setDeferred(true);
  paintTimer_.start();
}

void MemoLogLines::paintNow() {
  finishHeldEdit();
  if (!held_) return;
  paintTimer_.stop();
  held_ = false;
  QAbstractTextDocumentLayout* layout = memo_.document()->documentLayout();
  if (auto* log = dynamic_cast<LogDocumentLayout*>(layout)) log->setDeferred(false);
  layout->blockSignals(false);
  emit layout->documentSizeChanged(layout->documentSize());
  memo_.setUpdatesEnabled(true);
  if (scrollDue_) {
    scrollDue_ = false;
    QScrollBar* bar = memo_.verticalScrollBar();
    bar->setValue(bar->maximum());
  }
  // Painted now, while updates are on: the next line may come before the
  // event loop would paint, and would turn them off again, leaving the
  // pane's border and scroll bar unpainted for the whole job.
  memo_.repaint();
}

std::size_t MemoLogLines::documentLines() const {
  if (count_) return *count_;
  const QTextDocument* doc = memo_.document();
  const int blocks = doc->blockCount();
  const auto lines = static_cast<std::size_t>(isEmptyBlock(doc->lastBlock()) ? blocks - 1 : blocks);
  // A pane that drops its first lines by itself changes the count unseen.
  if (doc->maximumBlockCount() <= 0) count_ = lines;
  return lines;
}

std::size_t MemoLogLines::count() const { return documentLines() + pending_.added.size(); }

QTextBlock MemoLogLines::lastLineBlock() const {
  const QTextBlock last = memo_.document()->lastBlock();
  return isEmptyBlock(last) ? last.previous() : last;
}

void MemoLogLines::startEditing() {
  holdPaint();
  ownChange_ = true;
  if (!updating_ || editing_) return;
  QTextCursor(memo_.document()).beginEditBlock();
  editing_ = true;
}

void MemoLogLines::finishEditing() {
  if (editing_) {
    editing_ = false;
    QTextCursor(memo_.document()).endEditBlock();
  }
  ownChange_ = false;
}

MemoLogLines::Line MemoLogLines::paneLineOf(std::string_view line) {
  Line result{paneLine(line), std::nullopt};
  // Without a replacement character, or a byte order mark at the start
  // (which the decoding drops), the text is the line's own, and its UTF-8
  // form is the line itself.
  if (!result.text.contains(QChar::ReplacementCharacter) && !line.starts_with("\xEF\xBB\xBF"))
    result.line.emplace(line);
  return result;
}

const std::string& MemoLogLines::Line::utf8() const {
  // Read back as the document holds it: with its breaks and any invalid
  // bytes replaced, as the line is when read from the pane.
  if (!line) line = text.toStdString();
  return *line;
}

void MemoLogLines::remember(Line line, bool beforeEmptyBlock) {
  last_.emplace(LastLine{std::move(line), beforeEmptyBlock});
}

const MemoLogLines::Line* MemoLogLines::pendingLast() const {
  if (!pending_.added.empty()) return &pending_.added.back();
  if (pending_.replace) return &*pending_.replace;
  return nullptr;
}

void MemoLogLines::add(std::string_view line) {
  Line text = paneLineOf(line);
  if (holdEdit_) {
    // Held only while the document's count is known without reading it.
    documentLines();
    if (count_) {
      holdPaint();
      pending_.added.push_back(std::move(text));
      return;
    }
  }
  applyPending();
  addNow(std::move(text));
}

void MemoLogLines::addNow(Line line) {
  startEditing();
  QTextDocument* doc = memo_.document();
  QTextCursor cursor(doc);
  cursor.setPosition(doc->characterCount() - 1);
  // The pane holds plain text in the default formats only; naming them
  // spares the cursor a look-up of the format at its place per edit.
  // Text the user typed after the last line stays a line of its own.
  if (!(last_ && last_->beforeEmptyBlock) && !isEmptyBlock(doc->lastBlock()))
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
  cursor.insertText(line.text, QTextCharFormat());
  cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
  remember(std::move(line), true);
  if (count_) ++*count_;
  if (!updating_) finishEditing();
}

std::string MemoLogLines::last() const {
  if (const Line* line = pendingLast()) return line->utf8();
  if (last_) return last_->line.utf8();
  if (count() == 0) return {};
  return lastLineBlock().text().toStdString();
}

void MemoLogLines::replaceLast(std::string_view line) {
  if (count() == 0) {
    add(line);
    return;
  }
  if (holdEdit_) {
    // The held last line is rewritten where it waits; the document's own
    // last line only while its place follows from what this object wrote.
    Line* held = !pending_.added.empty() ? &pending_.added.back() : pending_.replace ? &*pending_.replace : nullptr;
    if (held != nullptr || (last_ && last_->beforeEmptyBlock)) {
      Line text = paneLineOf(line);
      if (held != nullptr) {
        *held = std::move(text);
      } else if (text.text != last_->line.text) {
        holdPaint();
        pending_.replace.emplace(std::move(text));
      }
      return;
    }
  }
  applyPending();
  replaceLastNow(paneLineOf(line));
}

void MemoLogLines::replaceLastNow(Line line) {
  // While the document ends as this object left it (the last line, then the
  // empty block), the line's place follows from the length of both; a
  // look-up of the last block walks a tree that grows with the lines.
  QString old;
  int start = 0;
  bool beforeEmptyBlock = true;
  if (last_ && last_->beforeEmptyBlock) {
    old = last_->line.text;
    start = memo_.document()->characterCount() - 2 - static_cast<int>(old.size());
  } else {
    const QTextBlock block = lastLineBlock();
    old = last_ ? last_->line.text : block.text();
    start = block.position();
    beforeEmptyBlock = isEmptyBlock(memo_.document()->lastBlock());
  }
  const QString& text = line.text;
  // Only what differs is replaced: a progress text keeps its copy line and
  // changes its percentage.
  qsizetype same = 0;
  const qsizetype shorter = std::min(old.size(), text.size());
  while (same < shorter && old.at(same) == text.at(same)) ++same;
  if (same > 0 && old.at(same - 1).isHighSurrogate()) --same;  // never split a character
  if (same == old.size() && same == text.size()) return;
  startEditing();
  QTextCursor cursor(memo_.document());
  cursor.setPosition(start + static_cast<int>(same));
  // A progress text that only grows (a copy line gets its percentage) has
  // nothing to remove.
  if (same < old.size()) cursor.setPosition(start + static_cast<int>(old.size()), QTextCursor::KeepAnchor);
  cursor.insertText(text.mid(same), QTextCharFormat());
  remember(std::move(line), beforeEmptyBlock);
  if (!updating_) finishEditing();
}

void MemoLogLines::applyPending() {
  if (pending_.empty()) return;
  Pending pending = std::move(pending_);
  pending_ = {};
  // One edit for all of them.
  const bool updating = updating_;
  updating_ = true;
  if (pending.replace) replaceLastNow(std::move(*pending.replace));
  for (Line& line : pending.added) addNow(std::move(line));
  updating_ = updating;
  if (!updating_ && !holdEdit_) finishEditing();
}

void MemoLogLines::deleteLast() {
  applyPending();
  if (count() == 0) return;
  startEditing();
  QTextDocument* doc = memo_.document();
  QTextCursor cursor(doc);
  cursor.setPosition(lastLineBlock().position());
  cursor.setPosition(doc->characterCount() - 1, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  last_.reset();
  if (count_) --*count_;
  if (!updating_) finishEditing();
}

void MemoLogLines::clear() {
  pending_ = {};
  finishEditing();
  last_.reset();
  count_.reset();
  holdPaint();
  memo_.clear();
}

void MemoLogLines::beginUpdate() { updating_ = true; }

void MemoLogLines::endUpdate() {
  updating_ = false;
  if (!holdEdit_) finishEditing();
}

void MemoLogLines::finishHeldEdit() {
  holdEdit_ = false;
  applyPending();
  if (!updating_) finishEditing();
  if (last_) last_->line.utf8();  // while the job goes on, not in its next message
}

void MemoLogLines::scrollToEnd() {
  if (held_) {
    scrollDue_ = true;
    return;
  }
  applyPending();
  QScrollBar* bar = memo_.verticalScrollBar();
  bar->setValue(bar->maximum());
}
