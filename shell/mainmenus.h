// The main window's two menus: the tray and toolbar menu (resource 5000) and
// the note menu that every note window shares (resource 5001), each used by
// its first submenu, with the items the program adds at start-up.
#pragma once

#include <windows.h>

#include "foundation/StdStr.h"

struct SMenuOptions {
    bool trayMode = false;   // 23400 "Hide Toolbar" before 212
    bool mapi = false;       // a mail client: 213 "E-Mail note" before 20042
    bool layered = false;    // the "Transparency" submenu before 20010
};

// Loads both menus (a language module's first; the program's own when the
// module's lacks an anchor of the additions), adds the items and hands them
// to their owner-drawn menu objects. False when an item could not be added.
bool PrepareMainMenus(const SMenuOptions& options);
// Hands the menu objects no menu and destroys both menus.
void DestroyMainMenus();

// The first submenus; null until the menus are loaded.
HMENU GetTrayMenu();
HMENU GetNoteMenu();

// The text of the item with that command, found at any depth; empty when
// there is none.
CStdStr GetMenuItemText(HMENU menu, UINT command);
// Relabels the item with that command, keeping its state and submenu.
bool SetMenuItemText(HMENU menu, UINT command, const wchar_t* text);
