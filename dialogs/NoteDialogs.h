// The small note dialogs: a note's title and its password.
#pragma once

#include <windows.h>

// Each is true when the dialog ended with OK.
bool ShowSetTitleDlg(HWND noteWindow);
bool ShowLockNoteDlg(HWND noteWindow);
