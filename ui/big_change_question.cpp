#include "ui/big_change_question.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "inventory/pglobal.h"

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
  QString text = QStringLiteral("这次同步将删除或覆盖大量文件：\n\n");
  for (const std::string& line : BigChangeLines(change)) text += QString::fromStdString(line) + '\n';
  text += QStringLiteral("\n是否继续同步？");
  if (StopSync) return false;
  return hook()(parent, QStringLiteral("确认同步"), text);
}

}  // namespace ui
