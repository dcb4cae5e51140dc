// The window's modal dialogs and message boxes: the folder chooser, the save
// dialog of the log, the error box, and the question whether a notification
// area exists. Each goes through a replaceable hook, so tests answer them
// without a screen; the defaults are Qt's dialogs.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace ui {

// Modal folder chooser starting in startDir. True and folder set when the
// user chose a folder; false when cancelled.
using FolderDialog = std::function<bool(QWidget* parent, const QString& title, const QString& startDir,
                                        QString& folder)>;
// Modal save dialog proposing proposedFile. True and file set when accepted.
using SaveFileDialog = std::function<bool(QWidget* parent, const QString& proposedFile, QString& file)>;
// Modal error box with an OK button; returns when it has been closed.
using ErrorBox = std::function<void(QWidget* parent, const QString& caption, const QString& text)>;
// Whether minimising may hide the window behind a notification-area icon.
using TrayAvailable = std::function<bool()>;

// Install a hook; an empty function restores the default. GUI thread only.
void setFolderDialog(FolderDialog hook);
void setSaveFileDialog(SaveFileDialog hook);
void setErrorBox(ErrorBox hook);
void setTrayAvailable(TrayAvailable hook);

// Run the installed hook. GUI thread only.
bool folderDialog(QWidget* parent, const QString& title, const QString& startDir, QString& folder);
bool saveFileDialog(QWidget* parent, const QString& proposedFile, QString& file);
void errorBox(QWidget* parent, const QString& caption, const QString& text);
bool trayAvailable();

}  // namespace ui
