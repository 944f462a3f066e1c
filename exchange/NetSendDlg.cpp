#include "NetSendDlg.h"

bool ShowNetSendDlg(HWND)
{
    return false;
}
