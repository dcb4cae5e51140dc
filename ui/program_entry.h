// The window program from start to end, inside an application object that
// the caller (main) has created.
#pragma once

#include "platform/machine_paths.h"

// Creates SyncAction (a program not on a removable drive gets the error box
// "对不起，请把本程序放至到U盘上使用!" captioned "Drovan" and the process ends
// with code 0, nothing written), shows the window and runs the message loop
// until the window has closed, then writes the configuration. Returns 0, or
// 1 after the error box "Unable to write to <file>" when the configuration
// cannot be written. SIGTERM and SIGHUP end it as "退出" does. GUI thread; a
// QApplication must exist.
int RunWindowProgram(const platform::MachinePaths& machine = {});
