#include "sessionsave.h"

#include "exchange/NetLists.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "hotkeys.h"
#include "startcalls.h"

void SaveSettingsRecord()
{
    if (!g_prefs.Save())
        QLOG(L"The settings could not be saved to %s", g_prefs.IniPath());
}

void SaveLanLists()
{
    if (NetLists().WasLoaded() && !StoreNetSends())
        QLOG(L"The aliases, the ignore list and the send history could not be stored");
}

void SaveHotKeys()
{
    StoreHotKeys();
}

void SaveSessionState()
{
    SaveSettingsRecord();
    SaveLanLists();
    SaveHotKeys();
}
