// The question before a big run, as the Qt window asks it: the text beside a
// warning icon, the buttons "继续同步" and "不同步", the latter the default
// and the answer to Escape and to closing the box. Built in code: the
// program carries no manifest, so comctl32's task dialog is not there on
// Windows.
#pragma once

#include <string>

#include "ui/win32/win_api.h"

namespace win32ui {

inline constexpr wchar_t kBigChangeBoxClass[] = L"TDrovanBigChangeBox";
// The buttons' ids in the box.
inline constexpr int kGoAheadButton = IDYES, kDontSyncButton = IDNO;

// Modal over `owner` (which may be hidden), on the window's thread: runs its
// own message loop, so the job's messages are handled meanwhile. The job
// waits on the answer: as soon as StopSync is set (a stop or a close
// request) the box closes itself with "不同步". True for "继续同步".
bool AskBigChangeBox(HWND owner, const std::string& caption, const std::string& text);

}  // namespace win32ui
