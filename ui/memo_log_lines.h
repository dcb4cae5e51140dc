// The log pane Memo2 as the message renderer sees it: LogLines over a
// QPlainTextEdit. Like a memo whose lines are each added with their line
// break, the document ends with an empty block after the last line; that
// block is no line of its own, so an empty document holds no line and a
// single empty line is told apart from it. Every change touches only the end
// of the document, so a progress message costs the same with 100 000 lines
// as with ten.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QPlainTextDocumentLayout>
#include <QString>
#include <QTimer>

#include "engine/log_lines.h"

class LogPane;
class LogDocument;
class QPlainTextEdit;
class QTextBlock;

// GUI thread only. The pane must outlive this object; the user may edit the
// pane in between, and the lines are always read back from the document.
class MemoLogLines : public LogLines {
 public:
  // Gives the pane a fresh document whose layout redraws only the line that
  // changed (see LogDocumentLayout); what the pane held is dropped.
  explicit MemoLogLines(QPlainTextEdit& memo);

  void add(std::string_view line) override;
  std::string last() const override;
  // Replaces only the characters that differ, so a progress text rewrites
  // its percentage and nothing else.
  void replaceLast(std::string_view line) override;
  void deleteLast() override;
  std::size_t count() const override;
  void clear() override;
  // One edit of the document: the pane learns of the changes once, at
  // endUpdate, however many lie between (Qt paints only later, in the event
  // loop).
  void beginUpdate() override;
  void endUpdate() override;
  void scrollToEnd() override;

  // Every change reaches the lines at once, but the pane is painted and
  // scrolled at the display's pace: a job sends thousands of messages a
  // second, and a paint per message (through a real X server) slowed the
  // job twenty-fold. The first change after a paint holds the pane's
  // painting until kPaintInterval has passed. A frame of CJK text costs the
  // job a few milliseconds of waiting, so 20 frames a second rather than 30.
  static constexpr int kPaintInterval = 50;  // milliseconds
  // Paints and scrolls now what is held (the end of a job).
  void paintNow();

  // Until finishHeldEdit, the lines a message adds or rewrites wait beside
  // the document: the job has its answer first, and the document gets them
  // in one edit right after, before the window does anything else (the
  // finisher of the message target runs before the next message and before
  // the event loop). Only on a LogPane that no one else listens to;
  // otherwise each change reaches the document, and its listeners, at once.
  void holdEdit();
  void finishHeldEdit();

 private:
  // A line as the pane holds it, with its UTF-8 form made when first asked
  // for (or known from the start when the pane's form changed nothing).
  struct Line {
    QString text;
    mutable std::optional<std::string> line;
    const std::string& utf8() const;
  };
  static Line paneLineOf(std::string_view line);

  // The block that holds the last line; only valid when the document holds
  // a line.
  QTextBlock lastLineBlock() const;
  void holdPaint();
  // Every change of the document goes through these: between beginUpdate
  // and endUpdate, the changes form one edit, opened only once the document
  // really changes (a message that changes nothing costs no edit).
  void startEditing();
  void finishEditing();
  // The last line as this object last wrote it into the document, kept
  // until a change made by others (the user typing, a clear), so that a
  // message need not read it back.
  void remember(Line line, bool beforeEmptyBlock);
  std::size_t documentLines() const;
  void addNow(Line line);
  void replaceLastNow(Line line);
  // Makes the held changes in the document.
  void applyPending();
  const Line* pendingLast() const;

  int listeners() const;

  QPlainTextEdit& memo_;
  LogPane* pane_;
  LogDocument* document_;
  int ownListeners_ = 0;  // the pane's and this object's, once set up
  bool updating_ = false;
  bool editing_ = false;
  bool holdEdit_ = false;
  bool ownChange_ = false;
  struct LastLine {
    Line line;
    bool beforeEmptyBlock;  // the empty block after the last line follows it
  };
  std::optional<LastLine> last_;
  // The number of lines in the document, kept like last_: the document
  // counts its blocks at once, but finding its last block walks a tree that
  // grows with the lines.
  mutable std::optional<std::size_t> count_;
  // The held changes: the document's last line rewritten, then lines added.
  struct Pending {
    std::optional<Line> replace;
    std::vector<Line> added;
    bool empty() const { return !replace && added.empty(); }
  };
  Pending pending_;
  bool held_ = false;
  bool scrollDue_ = false;
  QTimer paintTimer_;
};

// The layout of the pane's document. Qt's plain-text layout takes the
// characters removed plus those added after the change's start as the
// changed range, so a line replaced in place seems to reach into the next
// block, and the whole pane is laid out and painted again. After the change,
// only the added characters are new: while the number of blocks stays the
// same and they lie in one block, that block alone is laid out and redrawn.
// When that block is the last line and grows by a few characters at most (a
// progress text), it is not even laid out now but when it is painted, so a
// progress message costs no text layout of its own.
class LogDocumentLayout : public QPlainTextDocumentLayout {
 public:
  explicit LogDocumentLayout(QTextDocument* document);

  // While the pane is not painted, a change within the last line is not
  // laid out at all, whatever it adds: like the lines added meanwhile, it is
  // laid out when the pane paints or scrolls to it.
  void setDeferred(bool deferred) { deferred_ = deferred; }

 protected:
  void documentChanged(int from, int charsRemoved, int charsAdded) override;

 private:
  int blockCount_;
  bool deferred_ = false;
};

// A log line as the pane's text: UTF-8 decoded, with the characters that a
// text document takes as block breaks replaced, so one line stays one block.
QString paneLine(std::string_view line);
