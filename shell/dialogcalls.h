// The program's windows that the main commands open: the preferences and the
// quick search (the organizer is dialogs/ShowHideDlg, the About box
// dialogs/AboutDlg).
#pragma once

#include <windows.h>

void ShowPreferences();
// The quick search, modal, owned by owner.
void RunQuickSearchDlg(HWND owner);
