// The small note dialogs: a note's title, the password that locks its text,
// and the password asked before a protected operation.
#pragma once

#include <windows.h>

// Each is true when the dialog ended with OK.
bool ShowSetTitleDlg(HWND noteWindow);
bool ShowLockNoteDlg(HWND noteWindow);
// Asks for the password of the note of that window, showing the prompt (none
// or empty: the dialog's own text); true only when the right password was given.
bool ShowUnlockNoteDlg(HWND noteWindow, const wchar_t* prompt);
