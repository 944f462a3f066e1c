// The program's windows that the main commands open: the organizer, the
// preferences, the About box and the quick search.
#pragma once

#include <windows.h>

// Opens the note organizer, or closes it when it is open.
void ToggleNoteOrganizer();
void ShowPreferences();
// The About box, modal, without an owner.
void ShowAboutDlg();
// The quick search, modal, owned by owner.
void RunQuickSearchDlg(HWND owner);
