// Find and replace in a note.
#pragma once

#include <windows.h>

// Opens the modeless find (or replace) dialog; false when one is open already.
bool ShowFindDlg(HWND parent);
bool ShowReplaceDlg(HWND parent);
void CloseFindDlg();
