#include "AlarmDlg.h"

void ShowAlarmDlg(CNote*, HWND)
{
}
