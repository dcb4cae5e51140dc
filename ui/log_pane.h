// The log pane Memo2 and its document, as widgets that count who listens to
// the signals a change of their text sends. The window lets Qt hear of a
// job's line only after the job has its answer, unless someone beyond the
// pane itself listens: that listener still hears of each line while the job
// waits for it, as without the window's shortcut.
#pragma once

#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QTextDocument>

class LogPane : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
  // Connections made to the change signals so far, less those undone.
  int listeners() const { return listeners_; }

 protected:
  void connectNotify(const QMetaMethod& signal) override;
  void disconnectNotify(const QMetaMethod& signal) override;

 private:
  int listeners_ = 0;
};

class LogDocument : public QTextDocument {
 public:
  using QTextDocument::QTextDocument;
  int listeners() const { return listeners_; }

 protected:
  void connectNotify(const QMetaMethod& signal) override;
  void disconnectNotify(const QMetaMethod& signal) override;

 private:
  int listeners_ = 0;
};
