// The send dialog of a note and the alias and ignore-list editors it opens.
#pragma once

#include <windows.h>

// Sends the note of that window to a user on the LAN; true when it was sent
// off.
bool ShowNetSendDlg(HWND noteWindow);
