#include "ui/big_change_question.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "inventory/pglobal.h"
#include "ui/window_questions.h"

namespace ui {
namespace {

bool defaultQuestion(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
  box.setObjectName(QStringLiteral("BigChangeBox"));
  QPushButton* yes = box.addButton(QStringLiteral("继续同步"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("不同步"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  // The job waits on this answer: a stop or a close request must not wait
  // for the user as well.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, &box, [&box, no] {
    if (StopSync) no->click();
  });
  watch.start(100);
  box.exec();
  return box.clickedButton() == yes;
}

BigChangeQuestion& hook() {
  static BigChangeQuestion installed = defaultQuestion;
  return installed;
}

}  // namespace

void setBigChangeQuestion(BigChangeQuestion h) { hook() = h ? std::move(h) : defaultQuestion; }

bool askBigChange(QWidget* parent, const TBigChange& change) {
  const QString text = QString::fromStdString(BigChangeQuestionText(change));
  if (StopSync) return false;
  return hook()(parent, QString::fromUtf8(kBigChangeCaption), text);
}

}  // namespace ui
