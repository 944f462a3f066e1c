// The seam in front of MessageBoxW: every message box of the program goes
// through this one replaceable table, the real call by default, so tests
// script the answers. AppMessageBox adds the program's caption.
#pragma once

#include <windows.h>

struct SMessageBoxSeam {
    int (*messageBox)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
};
extern SMessageBoxSeam g_messageBoxSeam;

// A box with the caption of every program window (IDS_APP_NAME).
int AppMessageBox(HWND owner, const wchar_t* text, UINT type);
// The same with a string-table text.
int AppMessageBox(HWND owner, UINT textId, UINT type);
