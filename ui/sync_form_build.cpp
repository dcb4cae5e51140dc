// The window's controls: names, captions, pixel positions, fonts and menus.

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "config/pIniReg.h"
#include "ui/form_font.h"
#include "ui/help_text.h"
#include "ui/log_pane.h"
#include "ui/pSync.h"

namespace {

constexpr int kClientWidth = 709;
constexpr int kClientHeight = 456;

template <class Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h) {
  auto* b = named(new QPushButton(QString::fromUtf8(caption), parent), name);
  b->setGeometry(x, y, w, h);
  b->setAutoDefault(false);
  return b;
}

QLabel* label(QWidget* parent, const char* name, const char* caption, int x, int y) {
  auto* l = named(new QLabel(QString::fromUtf8(caption), parent), name);
  l->move(x, y);
  return l;
}

QLineEdit* folderBox(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* e = named(new QLineEdit(parent), name);
  e->setGeometry(x, y, w, h);
  e->setReadOnly(true);
  // Read-only boxes wear the window's colour, as the platform draws them;
  // a white box invites typing that it refuses.
  QPalette look = e->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
    look.setColor(group, QPalette::Base, look.color(group, QPalette::Window));
  e->setPalette(look);
  return e;
}

QGroupBox* group(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h) {
  auto* g = named(new QGroupBox(QString::fromUtf8(caption), parent), name);
  g->setGeometry(x, y, w, h);
  return g;
}

// A multi-line box filling a group box.
QPlainTextEdit* patternBox(QGroupBox* parent, const char* name) {
  auto* memo = named(new QPlainTextEdit(parent), name);
  memo->setFont(FormFont(13));
  auto* layout = new QVBoxLayout(parent);
  layout->setContentsMargins(4, 9, 4, 4);
  layout->addWidget(memo);
  return memo;
}

// A radio group: its items spread over the group's height, one per row.
QButtonGroup* radioGroup(QGroupBox* box, std::initializer_list<const char*> items, int selected) {
  auto* buttons = new QButtonGroup(box);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(8, 8, 4, 2);
  int id = 0;
  for (const char* item : items) {
    auto* radio = new QRadioButton(QString::fromUtf8(item), box);
    radio->setObjectName(box->objectName() + QStringLiteral("Item%1").arg(id));
    buttons->addButton(radio, id);
    layout->addWidget(radio);
    ++id;
  }
  buttons->button(selected)->setChecked(true);
  return buttons;
}

QAction* action(QMenu* menu, const char* name, const char* caption) {
  auto* a = named(menu->addAction(QString::fromUtf8(caption)), name);
  return a;
}

QAction* separator(QMenu* menu, const char* name) { return named(menu->addSeparator(), name); }

// The window's icon: two arrows chasing each other, drawn rather than
// shipped, so the program stays one file.
QIcon programIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x1f, 0x6f, 0xb2));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(1, 1, 30, 30, 6, 6);
  QPen pen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.drawLine(8, 11, 24, 11);
  p.drawLine(19, 6, 24, 11);
  p.drawLine(8, 21, 24, 21);
  p.drawLine(8, 21, 13, 26);
  return QIcon(pixmap);
}

}  // namespace

void TSyncForm::buildWindow() {
  setObjectName(QStringLiteral("SyncForm"));
  setWindowTitle(QStringLiteral("CorvelDrovan"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  setWindowIcon(programIcon());
  // Group captions sit on the frame's top line, so the children's positions
  // (counted from the group's top) fall inside the frame.
  setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px; "
      "padding: 0px 2px; background-color: palette(window); }"));

  PageControl1 = named(new QStackedWidget(this), "PageControl1");
  PageControl1->setGeometry(0, 0, kClientWidth, kClientHeight);
  TabSheet1 = named(new QWidget(PageControl1), "TabSheet1");
  TabSheet2 = named(new QWidget(PageControl1), "TabSheet2");
  TabSheet3 = named(new QWidget(PageControl1), "TabSheet3");
  PageControl1->addWidget(TabSheet1);
  PageControl1->addWidget(TabSheet2);
  PageControl1->addWidget(TabSheet3);

  buildMainPage();
  buildOptionsPage();
  buildHelpPage();
  buildMenus();
  // Under a style sheet a child does not take its parent's font, so each
  // control that has none of its own gets the window's.
  const QFont font = FormFont(11);
  setFont(font);
  for (QWidget* child : findChildren<QWidget*>())
    if (!child->testAttribute(Qt::WA_SetFont)) child->setFont(font);
  for (QWidget* sized : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label4), static_cast<QWidget*>(CheckBox2)})
    sized->adjustSize();

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
}

void TSyncForm::buildMainPage() {
  QWidget* page = TabSheet1;
  Label1 = label(page, "Label1", "硬盘监测文件夹", 32, 16);
  Edit1 = folderBox(page, "Edit1", 134, 13, 478, 21);
  Button2 = button(page, "Button2", "..", 618, 13, 21, 22);
  Label4 = label(page, "Label4", "U盘监测文件夹", 32, 44);
  Edit3 = folderBox(page, "Edit3", 134, 41, 478, 21);
  Button5 = button(page, "Button5", "..", 618, 40, 21, 22);
  Button1 = button(page, "Button1", "选  项", 376, 68, 89, 25);
  Button8 = button(page, "Button8", "帮  助", 480, 68, 89, 25);

  GroupBox7 = group(page, "GroupBox7", "手动同步", 40, 104, 625, 117);
  BtnSync = button(GroupBox7, "BtnSync", "手动-自动判断同步源", 24, 19, 313, 25);
  BtnSyncDiskToU = button(GroupBox7, "BtnSyncDiskToU", "手动-同步本地硬盘到U盘", 24, 50, 313, 25);
  BtnSyncUToDisk = button(GroupBox7, "BtnSyncUToDisk", "手动-同步U盘到本地硬盘", 24, 86, 313, 25);
  // In the group's free right half, level with the automatic sync it previews.
  BtnPreview = button(GroupBox7, "BtnPreview", "预览", 352, 19, 249, 25);
  // Below it, the whole job's progress; empty and hidden while idle.
  ProgressJob = named(new QProgressBar(GroupBox7), "ProgressJob");
  ProgressJob->setGeometry(352, 52, 249, 18);
  ProgressJob->setRange(0, 1000);
  ProgressJob->setTextVisible(false);
  ProgressJob->hide();
  LabelProgress = named(new QLabel(GroupBox7), "LabelProgress");
  LabelProgress->setGeometry(352, 73, 249, 38);
  LabelProgress->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LabelProgress->hide();

  // The timed automatic mode is not offered; its switch exists, hidden.
  CheckBox1 = named(new QCheckBox(QStringLiteral("自动同步"), page), "CheckBox1");
  CheckBox1->hide();

  Memo2 = named(new LogPane(page), "Memo2");
  Memo2->setGeometry(0, kClientHeight - 201, kClientWidth, 201);
  Memo2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Undo would keep every progress text the job ever wrote.
  Memo2->setUndoRedoEnabled(false);
  Memo2->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TSyncForm::buildOptionsPage() {
  QWidget* page = TabSheet2;
  GroupBox1 = group(page, "GroupBox1", "主监测文件监测选项", 0, 0, kClientWidth, 329);
  CheckBox2 = named(new QCheckBox(QStringLiteral("全部监测"), GroupBox1), "CheckBox2");
  CheckBox2->move(16, 16);
  CheckBox2->setChecked(true);

  GroupBox2 = group(GroupBox1, "GroupBox2", "监测文件后缀名（允许?和* 通配符，以;隔开）", 3, 36, 329, 106);
  Memo3 = patternBox(GroupBox2, "Memo3");
  GroupBox5 = group(GroupBox1, "GroupBox5", "不监测文件后缀名（允许?和* 通配符，以;隔开）", 341, 36, 316, 106);
  Memo1 = patternBox(GroupBox5, "Memo1");

  GroupBox3 = group(GroupBox1, "GroupBox3", "手动同步策略", 3, 193, 657, 128);
  RadioGroup1 = group(GroupBox3, "RadioGroup1", "被同步文件夹存在同名新文件时", 14, 29, 315, 88);
  radioItems1_ = radioGroup(RadioGroup1,
                            {"同步文件夹中旧文件覆盖被同步文件夹新文件", "忽略，不操作",
                             "被同步文件夹新文件覆盖同步文件夹旧文件"},
                            2);
  RadioGroup2 = group(GroupBox3, "RadioGroup2", "被同步文件夹存在同步文件夹没有的文件时", 338, 29, 316, 88);
  radioItems2_ = radioGroup(RadioGroup2, {"删除被同步文件夹中的相应文件", "忽略，不操作", "复制相应文件到同步文件夹"}, 0);

  Button15 = button(page, "Button15", "返回", 613, 400, 75, 25);

  // In the free band under the strategies, left of the return button.
  GroupBoxSafety = group(page, "GroupBoxSafety", "安全保护", 0, 333, 600, 88);
  CheckBoxVersions = named(new QCheckBox(QStringLiteral("删除或覆盖文件前保留旧版本（存放在同步文件夹的 .~drovan-versions 中）"),
                                         GroupBoxSafety),
                           "CheckBoxVersions");
  CheckBoxVersions->move(16, 18);
  CheckBoxVersions->setChecked(true);
  label(GroupBoxSafety, "LabelVersionDays", "旧版本保留天数：", 34, 42);
  SpinVersionDays = named(new QSpinBox(GroupBoxSafety), "SpinVersionDays");
  SpinVersionDays->setGeometry(150, 38, 70, 22);
  SpinVersionDays->setRange(1, kMaxVersionDays);
  SpinVersionDays->setValue(kDefaultVersionDays);
  label(GroupBoxSafety, "LabelConfirmFiles", "一次删除或覆盖的文件达到", 16, 64);
  SpinConfirmFiles = named(new QSpinBox(GroupBoxSafety), "SpinConfirmFiles");
  SpinConfirmFiles->setGeometry(190, 60, 70, 22);
  SpinConfirmFiles->setRange(0, 1'000'000);
  SpinConfirmFiles->setValue(kDefaultConfirmFiles);
  label(GroupBoxSafety, "LabelConfirmFiles2", "个且超过一半时，先询问再同步（0为不询问）", 266, 64);
  // Beside the days, where the row has room.
  label(GroupBoxSafety, "LabelFatHours", "FAT格式U盘时间整点相差", 270, 42);
  SpinFatHours = named(new QSpinBox(GroupBoxSafety), "SpinFatHours");
  SpinFatHours->setGeometry(418, 38, 50, 22);
  SpinFatHours->setRange(0, kMaxFatHours);
  SpinFatHours->setValue(kDefaultFatHours);
  label(GroupBoxSafety, "LabelFatHours2", "小时内视为未改动", 474, 42);
}

void TSyncForm::buildHelpPage() {
  QWidget* page = TabSheet3;
  Memo4 = named(new QPlainTextEdit(page), "Memo4");
  Memo4->setGeometry(0, 0, kClientWidth, 392);
  Memo4->setReadOnly(true);
  Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QString text;
  for (const std::string& line : HelpLines()) {
    if (!text.isEmpty()) text += QLatin1Char('\n');
    text += QString::fromStdString(line);
  }
  Memo4->setPlainText(text);
  Button9 = button(page, "Button9", "返回", 605, 400, 75, 25);
}

void TSyncForm::buildMenus() {
  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  // The timed automatic mode is not offered: its item and separator exist
  // but are never shown.
  N3 = action(PopupMenu1, "N3", "自动同步");
  N3->setVisible(false);
  N4 = separator(PopupMenu1, "N4");
  N4->setVisible(false);
  N1 = action(PopupMenu1, "N1", "手动-自动选择同步源");
  U1 = action(PopupMenu1, "U1", "手动-同步本地硬盘到U盘");
  U2 = action(PopupMenu1, "U2", "手动-同步U盘到本地硬盘到");
  // The job items carry a check mark only while their job runs (an idle
  // check box would read as an option).
  N2 = separator(PopupMenu1, "N2");
  N5 = action(PopupMenu1, "N5", "退出");

  PopupMenu2 = named(new QMenu(this), "PopupMenu2");
  N6 = action(PopupMenu2, "N6", "复制");
  N7 = action(PopupMenu2, "N7", "清空");
  N8 = action(PopupMenu2, "N8", "保存工作日志");

  TrayIcon1 = named(new QSystemTrayIcon(windowIcon(), this), "TrayIcon1");
  TrayIcon1->setToolTip(QStringLiteral("CorvelDrovan"));
  TrayIcon1->setContextMenu(PopupMenu1);
}
