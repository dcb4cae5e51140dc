// The window's layout: names, places, captions that fit, and the help text.
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>

#include "tests/ui/window_fixture.h"

TEST_F(WindowTest, WindowPlacesItsControlsAsLaidOut) {
  open();
  EXPECT_EQ(form_->windowTitle(), QStringLiteral("CorvelDrovan"));
  EXPECT_EQ(form_->size(), QSize(709, 456));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowMinimizeButtonHint);

  const struct {
    const char* name;
    QRect geometry;
  } places[] = {
      {"Edit1", {134, 13, 478, 21}},          {"Button2", {618, 13, 21, 22}},
      {"Edit3", {134, 41, 478, 21}},          {"Button5", {618, 40, 21, 22}},
      {"Button1", {376, 68, 89, 25}},         {"Button8", {480, 68, 89, 25}},
      {"GroupBox7", {40, 104, 625, 117}},     {"BtnSync", {24, 19, 313, 25}},
      {"BtnSyncDiskToU", {24, 50, 313, 25}},  {"BtnSyncUToDisk", {24, 86, 313, 25}},
      {"Memo2", {0, 255, 709, 201}},          {"GroupBox2", {3, 36, 329, 106}},
      {"GroupBox5", {341, 36, 316, 106}},     {"GroupBox3", {3, 193, 657, 128}},
      {"RadioGroup1", {14, 29, 315, 88}},     {"RadioGroup2", {338, 29, 316, 88}},
      {"Button15", {613, 400, 75, 25}},       {"Button9", {605, 400, 75, 25}},
  };
  for (const auto& place : places) EXPECT_EQ(widget<QWidget>(place.name).geometry(), place.geometry) << place.name;
  EXPECT_EQ(widget<QLabel>("Label1").pos(), QPoint(32, 16));
  EXPECT_EQ(widget<QLabel>("Label4").pos(), QPoint(32, 44));
  EXPECT_FALSE(widget<QCheckBox>("CheckBox1").isVisibleTo(form_.get()));
  // Every control has the window's font (Tahoma 8 pt is 11 pixels), the
  // pattern boxes a larger one.
  for (const char* name : {"Label1", "Edit1", "BtnSync", "Memo2", "CheckBox2", "RadioGroup1Item0", "Memo4"})
    EXPECT_EQ(QFontInfo(widget<QWidget>(name).font()).pixelSize(), 11) << name;
  EXPECT_EQ(QFontInfo(widget<QPlainTextEdit>("Memo3").font()).pixelSize(), 13);
}

TEST_F(WindowTest, EveryCaptionFitsItsControl) {
  open();
  for (auto* b : form_->findChildren<QPushButton*>()) {
    const QFontMetrics fm(b->font());
    EXPECT_LE(fm.horizontalAdvance(b->text()) + 6, b->width()) << b->objectName().toStdString();
    EXPECT_LE(fm.height(), b->height()) << b->objectName().toStdString();
  }
  for (auto* b : form_->findChildren<QAbstractButton*>()) {
    if (qobject_cast<QPushButton*>(b) || !b->isVisibleTo(form_.get())) continue;
    EXPECT_LE(b->sizeHint().width(), b->width()) << b->objectName().toStdString();
    EXPECT_LE(b->sizeHint().height(), b->height()) << b->objectName().toStdString();
  }
  for (auto* g : form_->findChildren<QGroupBox*>()) {
    const QFontMetrics fm(g->font());
    EXPECT_LE(fm.horizontalAdvance(g->title()) + 16, g->width()) << g->objectName().toStdString();
  }
  // The labels end before their folder boxes begin.
  for (const char* name : {"Label1", "Label4"}) {
    const auto& l = widget<QLabel>(name);
    EXPECT_LE(l.x() + QFontMetrics(l.font()).horizontalAdvance(l.text()), 134) << name;
  }
}

TEST_F(WindowTest, HelpPageHoldsTheHelpText) {
  open();
  const auto& memo = widget<QPlainTextEdit>("Memo4");
  EXPECT_TRUE(memo.isReadOnly());
  QStringList lines = memo.toPlainText().split(QLatin1Char('\n'));
  const QString rule(45, QLatin1Char('~'));
  EXPECT_EQ(lines.front(), rule);
  EXPECT_EQ(lines.back(), rule);
  for (const char* line :
       {"CorvelDrovan软件特点：", "2、本软件只能在U盘下运行", "4、智能判断同步文件夹和目标文件夹，不用人为记忆。", "帮助：",
        "一、主界面：", "2、手动同步：", "● 硬盘监测文件夹与U盘监测文件夹更新日期较新",
        "● 硬盘监测文件夹与U盘监测文件夹中文件数较多", "● 以上相同，如果文件大小不同，以硬盘监测文件夹为监测文件夹",
        "二、选项", "1、主监测文件监测选项：设置监测文件类型及不监测文件类型", "2、手动同步策略：用于手动同步",
        "● 建议使用“被同步文件夹新文件覆盖同步文件夹旧文件”", "● 建议使用“删除被同步文件夹中的相应文件”"})
    EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
}
