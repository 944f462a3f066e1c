// The preferences, the About box and the quick search are not part of this
// build yet: the calls open nothing.
#include "dialogcalls.h"

void ShowPreferences()
{
}

void ShowAboutDlg()
{
}

void RunQuickSearchDlg(HWND)
{
}
