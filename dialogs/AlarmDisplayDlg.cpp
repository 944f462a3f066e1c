#include "AlarmDisplayDlg.h"

bool ShowAlarmDisplayDlg(CNote*)
{
    return false;
}

bool ShowSnoozeDisplayDlg(HWND, CNote*, COleDateTime)
{
    return false;
}
