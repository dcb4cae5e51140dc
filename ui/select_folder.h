// The folder picker of the two folder boxes.
#pragma once

#include <string>

class QWidget;

// Opens the modal folder chooser (ui::folderDialog) with Title, starting in
// BrowseInitDir, else in Root, else in the user's home folder. True and
// Folder set when the user chose a folder; false and Folder empty when the
// chooser was cancelled. GUI thread.
bool SelectFolder(const std::string& Title, const std::string& Root, std::string& Folder,
                  QWidget* parent = nullptr);
