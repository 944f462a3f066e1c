// The program's windows that the main commands open: the preferences (the
// organizer is dialogs/ShowHideDlg, the quick search dialogs/QuickSearchDlg,
// the About box dialogs/AboutDlg).
#pragma once

#include <windows.h>

void ShowPreferences();
