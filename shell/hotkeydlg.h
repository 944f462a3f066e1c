// Dialog 136 "Set Hot Key": picks a new key and modifiers for one of the
// global hot keys and registers them.
#pragma once

#include <windows.h>

// True when the dialog ended with OK, the new key then registered and kept.
// False with nothing shown for a number outside the hot-key table, and false
// (logged) when the dialog cannot be run.
bool ShowSetHotKeyDlg(HWND owner, int hotKey);
