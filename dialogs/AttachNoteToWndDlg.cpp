#include "AttachNoteToWndDlg.h"

bool ShowAttachNoteToWndDlg(HWND)
{
    return false;
}
