// The LAN and the note editor are not part of this build yet: the network
// reports itself unavailable and the paste switch changes nothing.
#include "startcalls.h"

int StartNetwork()
{
    return 0;
}

int StopNetwork()
{
    return 1;
}

void StartInstanceDetection()
{
}

void CloseMailSlots()
{
}

int LoadNetSends()
{
    return 1;
}

int StoreNetSends()
{
    return 1;
}

void SetForcePlainPaste(bool)
{
}
