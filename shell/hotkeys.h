// The four global hot keys of the main window, kept in the [HotKeys] section
// of the settings file.
#pragma once

#include <windows.h>

#include "foundation/StdStr.h"

// Reads the keys and registers them with the main window.
void LoadHotKeys();
// Writes the keys back (shut-down, the preferences sheet).
void StoreHotKeys();
// WM_HOTKEY: runs the command of the key with that number.
void HandleHotKey(WPARAM hotKey);
// The key's text for a menu item ("Ctrl+Alt+N"); empty when it has none.
CStdStr GetHotKeyText(int hotKey);
