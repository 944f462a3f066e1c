// Global hot keys: not part of this build yet, so none is registered and
// none has a text.
#include "hotkeys.h"

void LoadHotKeys()
{
}

void StoreHotKeys()
{
}

void HandleHotKey(WPARAM)
{
}

CStdStr GetHotKeyText(int)
{
    return CStdStr();
}
