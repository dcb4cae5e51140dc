#include "ui/log_pane.h"

namespace {

bool paneChangeSignal(const QMetaMethod& signal) {
  return signal == QMetaMethod::fromSignal(&QPlainTextEdit::textChanged) ||
         signal == QMetaMethod::fromSignal(&QPlainTextEdit::blockCountChanged) ||
         signal == QMetaMethod::fromSignal(&QPlainTextEdit::cursorPositionChanged) ||
         signal == QMetaMethod::fromSignal(&QPlainTextEdit::modificationChanged) ||
         signal == QMetaMethod::fromSignal(&QPlainTextEdit::selectionChanged) ||
         signal == QMetaMethod::fromSignal(&QPlainTextEdit::copyAvailable) ||
         signal == QMetaMethod::fromSignal(&QPlainTextEdit::updateRequest);
}

bool documentChangeSignal(const QMetaMethod& signal) {
  return signal == QMetaMethod::fromSignal(&QTextDocument::contentsChange) ||
         signal == QMetaMethod::fromSignal(&QTextDocument::contentsChanged) ||
         signal == QMetaMethod::fromSignal(&QTextDocument::blockCountChanged) ||
         signal == QMetaMethod::fromSignal(&QTextDocument::cursorPositionChanged) ||
         signal == QMetaMethod::fromSignal(&QTextDocument::modificationChanged) ||
         signal == QMetaMethod::fromSignal(&QTextDocument::undoCommandAdded);
}

}  // namespace

void LogPane::connectNotify(const QMetaMethod& signal) {
  if (paneChangeSignal(signal)) ++listeners_;
}

void LogPane::disconnectNotify(const QMetaMethod& signal) {
  if (paneChangeSignal(signal)) --listeners_;
}

void LogDocument::connectNotify(const QMetaMethod& signal) {
  if (documentChangeSignal(signal)) ++listeners_;
}

void LogDocument::disconnectNotify(const QMetaMethod& signal) {
  if (documentChangeSignal(signal)) --listeners_;
}
