// The small note dialogs a note asks through.
#pragma once

#include <windows.h>

// Asks for the password of the note of that window, showing the prompt (none:
// the dialog's own text); true only when the right password was given.
bool ShowUnlockNoteDlg(HWND noteWindow, const wchar_t* prompt);
