#include "ui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSystemTrayIcon>

namespace ui {
namespace {

bool defaultFolderDialog(QWidget* parent, const QString& title, const QString& startDir, QString& folder) {
  folder = QFileDialog::getExistingDirectory(parent, title, startDir, QFileDialog::ShowDirsOnly);
  return !folder.isEmpty();
}

bool defaultSaveFileDialog(QWidget* parent, const QString& proposedFile, QString& file) {
  file = QFileDialog::getSaveFileName(parent, QStringLiteral("保存工作日志"), proposedFile,
                                      QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
  return !file.isEmpty();
}

void defaultErrorBox(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox::critical(parent, caption, text);
}

bool defaultTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

struct Hooks {
  FolderDialog folder = defaultFolderDialog;
  SaveFileDialog save = defaultSaveFileDialog;
  ErrorBox error = defaultErrorBox;
  TrayAvailable tray = defaultTrayAvailable;
};

Hooks& hooks() {
  static Hooks instance;
  return instance;
}

}  // namespace

void setFolderDialog(FolderDialog hook) { hooks().folder = hook ? std::move(hook) : defaultFolderDialog; }
void setSaveFileDialog(SaveFileDialog hook) { hooks().save = hook ? std::move(hook) : defaultSaveFileDialog; }
void setErrorBox(ErrorBox hook) { hooks().error = hook ? std::move(hook) : defaultErrorBox; }
void setTrayAvailable(TrayAvailable hook) { hooks().tray = hook ? std::move(hook) : defaultTrayAvailable; }

bool folderDialog(QWidget* parent, const QString& title, const QString& startDir, QString& folder) {
  return hooks().folder(parent, title, startDir, folder);
}

bool saveFileDialog(QWidget* parent, const QString& proposedFile, QString& file) {
  return hooks().save(parent, proposedFile, file);
}

void errorBox(QWidget* parent, const QString& caption, const QString& text) {
  hooks().error(parent, caption, text);
}

bool trayAvailable() { return hooks().tray(); }

}  // namespace ui
