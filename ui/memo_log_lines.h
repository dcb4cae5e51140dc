// The log pane Memo2 as the message renderer sees it: LogLines over a
// QPlainTextEdit. Like a memo whose lines are each added with their line
// break, the document ends with an empty block after the last line; that
// block is no line of its own, so an empty document holds no line and a
// single empty line is told apart from it. Every change touches only the end
// of the document, so a progress message costs the same with 100 000 lines
// as with ten.
#pragma once

#include <QString>

#include "engine/log_lines.h"

class QPlainTextEdit;
class QTextBlock;

// GUI thread only. The pane must outlive this object; the user may edit the
// pane in between, and the lines are always read back from the document.
class MemoLogLines : public LogLines {
 public:
  explicit MemoLogLines(QPlainTextEdit& memo);

  void add(std::string_view line) override;
  std::string last() const override;
  void replaceLast(std::string_view line) override;
  void deleteLast() override;
  std::size_t count() const override;
  void clear() override;
  // Qt paints only when control returns to the event loop, never in the
  // middle of a change, so there is nothing to hold back.
  void beginUpdate() override {}
  void endUpdate() override {}
  void scrollToEnd() override;

 private:
  // The block that holds the last line; only valid when count() != 0.
  QTextBlock lastLineBlock() const;

  QPlainTextEdit& memo_;
};

// A log line as the pane's text: UTF-8 decoded, with the characters that a
// text document takes as block breaks replaced, so one line stays one block.
QString paneLine(std::string_view line);
