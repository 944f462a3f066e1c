// The toolbar: a child of the main window (id 800) with five owner-drawn
// buttons, its own tooltip window, and a right-button drag that moves the
// bar. Window classes "QUILLT_Toolbar" and "QUILLT Tooltips".
#pragma once

#include <windows.h>

// Registers both classes once; true when both are registered.
bool RegisterToolbarClasses(HINSTANCE instance);

// Creates the toolbar on the main window, hidden; null on failure.
HWND CreateToolbar(HWND mainWindow, HINSTANCE instance);
