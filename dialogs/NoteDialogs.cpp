#include "NoteDialogs.h"

bool ShowSetTitleDlg(HWND)
{
    return false;
}

bool ShowLockNoteDlg(HWND)
{
    return false;
}
