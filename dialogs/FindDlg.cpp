#include "FindDlg.h"

bool ShowFindDlg(HWND)
{
    return false;
}

bool ShowReplaceDlg(HWND)
{
    return false;
}

void CloseFindDlg()
{
}
