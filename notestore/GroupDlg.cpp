#include "GroupDlg.h"

bool EditGroup(CGroup*)
{
    return false;
}

int ShowGroupList(HWND)
{
    return 1;
}
