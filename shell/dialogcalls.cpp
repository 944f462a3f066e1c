// The organizer, the preferences, the About box and the quick search are not
// part of this build yet: the calls open nothing.
#include "dialogcalls.h"

void ToggleNoteOrganizer()
{
}

void ShowPreferences()
{
}

void ShowAboutDlg()
{
}

void RunQuickSearchDlg(HWND)
{
}
