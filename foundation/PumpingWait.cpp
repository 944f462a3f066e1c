#include "PumpingWait.h"

bool WaitPumpingSentMessages(const HANDLE*, DWORD, DWORD)
{
    return false;
}
