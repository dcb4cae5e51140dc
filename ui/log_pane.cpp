#include "ui/log_pane.h"

bool paneChangeSignal(const QMetaMethod& signal) {
  for (const QMetaMethod& change :
       {QMetaMethod::fromSignal(&QPlainTextEdit::textChanged), QMetaMethod::fromSignal(&QPlainTextEdit::blockCountChanged),
        QMetaMethod::fromSignal(&QPlainTextEdit::cursorPositionChanged),
        QMetaMethod::fromSignal(&QPlainTextEdit::modificationChanged),
        QMetaMethod::fromSignal(&QPlainTextEdit::selectionChanged),
        QMetaMethod::fromSignal(&QPlainTextEdit::copyAvailable), QMetaMethod::fromSignal(&QPlainTextEdit::updateRequest)})
    if (signal == change) return true;
  return false;
}

bool documentChangeSignal(const QMetaMethod& signal) {
  for (const QMetaMethod& change : {QMetaMethod::fromSignal(&QTextDocument::contentsChange),
                                    QMetaMethod::fromSignal(&QTextDocument::contentsChanged),
                                    QMetaMethod::fromSignal(&QTextDocument::blockCountChanged),
                                    QMetaMethod::fromSignal(&QTextDocument::cursorPositionChanged),
                                    QMetaMethod::fromSignal(&QTextDocument::modificationChanged),
                                    QMetaMethod::fromSignal(&QTextDocument::undoCommandAdded)})
    if (signal == change) return true;
  return false;
}
