// Global hot keys: not part of this build yet, so none is registered.
#include "hotkeys.h"

void LoadHotKeys()
{
}

void StoreHotKeys()
{
}
