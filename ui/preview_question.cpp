#include "ui/preview_question.h"

#include <QMessageBox>

namespace ui {
namespace {

bool defaultPreviewQuestion(QWidget* parent, const QString& caption, const QString& text) {
  return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

PreviewQuestion& hook() {
  static PreviewQuestion installed = defaultPreviewQuestion;
  return installed;
}

}  // namespace

void setPreviewQuestion(PreviewQuestion question) {
  hook() = question ? std::move(question) : defaultPreviewQuestion;
}

bool previewQuestion(QWidget* parent, const QString& caption, const QString& text) {
  return hook()(parent, caption, text);
}

}  // namespace ui
