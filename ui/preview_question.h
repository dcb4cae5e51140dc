// The question after a preview whether to start the sync it showed. Goes
// through a replaceable hook, as the window's other dialogs do, so tests
// answer it without a screen; the default is a message box whose default
// button is "no".
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace ui {

// True when the user chose to start the sync.
using PreviewQuestion = std::function<bool(QWidget* parent, const QString& caption, const QString& text)>;

// An empty function restores the default. GUI thread only.
void setPreviewQuestion(PreviewQuestion hook);
bool previewQuestion(QWidget* parent, const QString& caption, const QString& text);

}  // namespace ui
