// The folder picker of the two folder boxes: the shell's folder browser.
#pragma once

#include <string>

#include "ui/win32/win_api.h"

namespace win32ui {

// Opens the modal folder browser owned by `owner`, with Title as its text,
// showing file-system folders only, BrowseInitDir selected when it opens.
// The program's other windows are disabled while it is open. True and Folder
// set when the user chose a folder with a file-system path.
bool SelectFolder(HWND owner, const std::string& Title, std::string& Folder);

}  // namespace win32ui
