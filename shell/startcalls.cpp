// The LAN threads and peer discovery are not part of this build yet: the
// network reports itself unavailable. The send history, its lists and the
// editors' paste switch are real.
#include "startcalls.h"

#include "exchange/NetLists.h"
#include "foundation/DataPaths.h"
#include "notewindows/RichEditCtrl.h"

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

void ReadDetectedInstances()
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

void SetForcePlainPaste(bool plainText)
{
    CRichEditCtrl50WT::SetForcePlainPaste(plainText);
}
