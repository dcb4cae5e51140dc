#include "ui/select_folder.h"

#include <QDir>

#include "inventory/pglobal.h"
#include "ui/dialogs.h"

bool SelectFolder(const std::string& Title, const std::string& Root, std::string& Folder, QWidget* parent) {
  Folder.clear();
  QString start = QString::fromStdString(BrowseInitDir);
  if (start.isEmpty()) start = QString::fromStdString(Root);
  if (start.isEmpty()) start = QDir::homePath();
  QString chosen;
  if (!ui::folderDialog(parent, QString::fromStdString(Title), start, chosen) || chosen.isEmpty()) return false;
  Folder = chosen.toStdString();
  return true;
}
