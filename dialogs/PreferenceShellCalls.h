// The shell's calls that the preference pages make. Nothing below the shell
// includes shell/, so ShowPreferences hands the sheet this table; tests hand
// recorders.
#pragma once

#include <windows.h>

#include <functional>

#include "foundation/StdStr.h"

class CPreferences;

struct PreferenceShellCalls {
    // Places the toolbar by the record at once (the Main page's apply, Cancel).
    std::function<void(CPreferences& prefs)> placeToolbar;
    // The text of hot key 1-4 for its static ("CTRL+ALT+N").
    std::function<CStdStr(int hotKey)> hotKeyText;
    // Dialog 136 for hot key 1-4 over owner, which registers the new key at
    // once; true when a key was set.
    std::function<bool(HWND owner, int hotKey)> changeHotKey;
};
