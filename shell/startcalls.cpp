// The LAN threads, peer discovery and the note editor are not part of this
// build yet: the network reports itself unavailable and the paste switch
// changes nothing. The send history and its lists are real.
#include "startcalls.h"

#include "exchange/NetLists.h"
#include "foundation/DataPaths.h"

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
    return NetLists().LoadNetSends(GetDataPath(EDataPath::AliasList));
}

int StoreNetSends()
{
    return NetLists().StoreNetSends();
}

void SetForcePlainPaste(bool)
{
}
