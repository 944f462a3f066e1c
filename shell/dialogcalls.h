// The program's windows that the main commands open: the organizer, the
// preferences and the quick search (the About box is dialogs/AboutDlg's).
#pragma once

#include <windows.h>

// Opens the note organizer, or closes it when it is open.
void ToggleNoteOrganizer();
void ShowPreferences();
// The quick search, modal, owned by owner.
void RunQuickSearchDlg(HWND owner);
