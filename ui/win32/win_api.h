// The Windows headers for the window's code. They define WM_USER,
// WM_SYSCOMMAND and SC_CLOSE as macros, which the project's headers declare
// as constants of their own: those come first, so they are read before the
// macros exist. Include this instead of <windows.h> under ui/win32/.
#pragma once

#include "engine/big_change.h"
#include "inventory/pglobal.h"
#include "platform/messages.h"

#include <windows.h>

// The project's own SendMessage and PostMessage (platform/messages.h) keep
// their names; the window's code calls the wide forms by name.
#undef SendMessage
#undef PostMessage
