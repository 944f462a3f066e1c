// The preferences and the quick search are not part of this
// build yet: the calls open nothing.
#include "dialogcalls.h"

void ShowPreferences()
{
}

void RunQuickSearchDlg(HWND)
{
}
