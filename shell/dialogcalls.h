// The program's windows that the main commands open: the preferences, the
// About box and the quick search (the organizer is dialogs/ShowHideDlg).
#pragma once

#include <windows.h>

void ShowPreferences();
// The About box, modal, without an owner.
void ShowAboutDlg();
// The quick search, modal, owned by owner.
void RunQuickSearchDlg(HWND owner);
