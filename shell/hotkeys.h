// The four global hot keys of the main window, kept in the [HotKeys] section
// of the settings file.
#pragma once

// Reads the keys and registers them with the main window.
void LoadHotKeys();
// Writes the keys back (shut-down, the preferences sheet).
void StoreHotKeys();
