// The program's hidden main window: every request to the shell is a command
// or a private message posted to it. Null until the shell has made it, and
// again once it is destroyed.
#pragma once

#include <windows.h>

extern HWND g_hwndApp;
