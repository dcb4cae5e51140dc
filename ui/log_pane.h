// The log pane Memo2 and its document, as widgets that count who listens to
// the signals a change of their text sends. The window lets Qt hear of a
// job's line only after the job has its answer, unless someone beyond the
// pane itself listens: that listener still hears of each line while the job
// waits for it, as without the window's shortcut.
#pragma once

#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QTextDocument>

bool paneChangeSignal(const QMetaMethod& signal);
bool documentChangeSignal(const QMetaMethod& signal);

// Connections made to the signals `counted` picks so far, less those undone.
template <class Base, bool (*counted)(const QMetaMethod&)>
class ListenerCount : public Base {
 public:
  using Base::Base;
  int listeners() const { return listeners_; }

 protected:
  void connectNotify(const QMetaMethod& signal) override {
    if (counted(signal)) ++listeners_;
  }
  void disconnectNotify(const QMetaMethod& signal) override {
    if (counted(signal)) --listeners_;
  }

 private:
  int listeners_ = 0;
};

class LogPane : public ListenerCount<QPlainTextEdit, paneChangeSignal> {
 public:
  using ListenerCount::ListenerCount;
};

class LogDocument : public ListenerCount<QTextDocument, documentChangeSignal> {
 public:
  using ListenerCount::ListenerCount;
};
