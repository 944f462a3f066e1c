// The dialog that attaches a note to another program's window.
#pragma once

#include <windows.h>

// True when the dialog ended with OK.
bool ShowAttachNoteToWndDlg(HWND noteWindow);
