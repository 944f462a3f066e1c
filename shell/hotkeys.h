// The four global hot keys of the main window, kept in the [HotKeys] section
// of the settings file.
#pragma once

#include <windows.h>

#include <array>

#include "foundation/StdStr.h"

// A hot key as kept: the virtual key (plus kExtendedHotKey for an extended
// key) and the RegisterHotKey modifiers (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4,
// MOD_WIN 8).
struct SHotKey {
    UINT key;
    UINT modifiers;
};
constexpr UINT kExtendedHotKey = 0x100;
// Numbered 1 to kHotKeyCount: the number is the hot-key id.
constexpr int kHotKeyCount = 4;
using HotKeyTable = std::array<SHotKey, kHotKeyCount>;

// Reads the keys (the current ones where a key is missing) and registers them
// with the main window.
void LoadHotKeys();
// Writes the keys back (shut-down, the preferences sheet).
void StoreHotKeys();
// WM_HOTKEY: runs the command of the key with that number.
void HandleHotKey(WPARAM hotKey);
// The key's text for a menu item ("CTRL+ALT+N"); empty for a number
// outside the table.
CStdStr GetHotKeyText(int hotKey);
// The system's name of a key as kept ("N", "Page Up"); empty when it has none.
CStdStr HotKeyName(UINT key);
// The key with that number; zeros outside the table.
SHotKey CurrentHotKey(int number);
// Registers the new key in place of the entry's and keeps it; when the system
// refuses it, the previous key is registered again, the entry stays as it was
// and the result is false.
bool ChangeHotKey(int number, const SHotKey& key);

// What the preferences sheet keeps to undo its changes on Cancel.
HotKeyTable GetHotKeys();
// Puts the keys back and registers each of them again.
void RestoreHotKeys(const HotKeyTable& keys);
