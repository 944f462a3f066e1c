// The main window's menus.
#include "mainmenus.h"

#include <initializer_list>
#include <iterator>

#include "MainCommands.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "framework/MenuHandle.h"
#include "notewindows/NoteCommandIds.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"
#include "toolkit/CustomMenu.h"

namespace {

CMenuHandle g_mainMenu;
CMenuHandle g_noteMenuResource;

bool HasCommand(HMENU menu, UINT command)
{
    return menu && GetMenuState(menu, command, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

// The menu whose first submenu holds every anchor: a language module's,
// else the program's own.
HMENU LoadMenuWithAnchors(UINT id, std::initializer_list<UINT> anchors)
{
    HMENU menu = CResModule::LoadMenu(MAKEINTRESOURCEW(id));
    for (const UINT anchor : anchors) {
        if (HasCommand(GetSubMenu(menu, 0), anchor))
            continue;
        QLOG(L"Menu %u lacks command %u, using the program's own", id, anchor);
        if (menu)
            DestroyMenu(menu);
        return LoadMenuW(CResModule::GetInstance(), MAKEINTRESOURCEW(id));
    }
    return menu;
}

bool InsertTransparencyMenu(HMENU noteMenu)
{
    CMenuHandle levels(CreatePopupMenu());
    if (!levels || !AppendMenuW(levels.Get(), MF_STRING, ID_TRANSPARENCY_FIRST, LoadResString(IDS_TRANSPARENCY_VISIBLE)))
        return false;
    for (UINT level = 1; level <= 9; ++level) {
        CStdStr text;
        text.Format(L"%d%%", level * 10);
        if (!AppendMenuW(levels.Get(), MF_STRING, ID_TRANSPARENCY_FIRST + level, text.c_str()))
            return false;
    }
    if (!InsertMenuW(noteMenu, ID_PRINT_NOTE, MF_BYCOMMAND | MF_POPUP, reinterpret_cast<UINT_PTR>(levels.Get()),
                     LoadResString(IDS_TRANSPARENCY)))
        return false;
    levels.Release();
    return InsertMenuW(noteMenu, ID_PRINT_NOTE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr) != FALSE;
}

bool AddItems(const SMenuOptions& options, HMENU tray, HMENU note)
{
    if (options.trayMode &&
        !InsertMenuW(tray, ID_SAVE_ALL, MF_BYCOMMAND | MF_STRING, ID_TOGGLE_TOOLBAR, LoadResString(IDS_HIDE_TOOLBAR)))
        return false;
    if (g_prefs.AlwaysOnTop)
        CheckMenuItem(tray, ID_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_CHECKED);
    if (options.mapi &&
        !InsertMenuW(note, ID_NET_SEND_NOTE, MF_BYCOMMAND | MF_STRING, ID_EMAIL_NOTE, LoadResString(IDS_EMAIL_NOTE)))
        return false;
    return !options.layered || InsertTransparencyMenu(note);
}

struct SImage {
    UINT command;
    int image;
    bool checkBox;
};

void MapImages(CCustomMenu& menu, HMENU submenu, std::initializer_list<SImage> images)
{
    menu.SetMenu(submenu);
    if (!menu.LoadImageLists())
        QLOG(L"The menu images could not be loaded");
    for (const SImage& entry : images)
        menu.SetCommandImage(entry.command, entry.image, entry.checkBox);
}

void MapMenuImages(bool layered)
{
    MapImages(g_trayMenu, GetTrayMenu(),
              {{ID_NEW_NOTE, 0, false}, {ID_PREFERENCES, 2, false}, {ID_SAVE_ALL, 3, false}, {ID_HELP, 4, false},
               {ID_ALWAYS_ON_TOP, -1, true}, {ID_QUICK_SEARCH, 32, false}, {ID_NOTE_ORGANIZER, 33, false},
               {ID_SHOW_HIDE_ALL, 34, false}});
    MapImages(g_noteMenu, GetNoteMenu(),
              {{ID_PREFERENCES, 2, false}, {20013, 4, false}, {ID_PRINT_NOTE, 18, false}, {805, 15, false},
               {806, 16, false}, {807, 17, false}, {205, 5, false}, {207, 6, false}, {21031, 7, false},
               {21032, 8, false}, {206, 9, false}, {21033, 10, false}, {20030, 27, false}, {201, 20, true},
               {203, 21, true}, {202, 22, true}, {21058, -1, true}, {21060, -1, true}});
    if (layered)
        for (UINT level = 0; level <= 9; ++level)
            g_noteMenu.SetCommandImage(ID_TRANSPARENCY_FIRST + level, -1, true);
}

}  // namespace

bool PrepareMainMenus(const SMenuOptions& options)
{
    DestroyMainMenus();
    g_mainMenu.Reset(LoadMenuWithAnchors(IDR_MAIN_MENU, {ID_SAVE_ALL, ID_SHOW_HIDE_ALL}));
    g_noteMenuResource.Reset(LoadMenuWithAnchors(IDR_NOTE_MENU, {ID_NET_SEND_NOTE, ID_PRINT_NOTE}));
    const HMENU tray = GetTrayMenu();
    const HMENU note = GetNoteMenu();
    if (!tray || !note || !AddItems(options, tray, note)) {
        QLOG(L"The main menus could not be prepared");
        DestroyMainMenus();
        return false;
    }
    MapMenuImages(options.layered);
    SetNoteFrameMenu(note);
    return true;
}

void DestroyMainMenus()
{
    g_trayMenu.SetMenu(nullptr);
    SetNoteFrameMenu(nullptr);
    g_mainMenu.Reset();
    g_noteMenuResource.Reset();
}

HMENU GetTrayMenu()
{
    return g_mainMenu ? GetSubMenu(g_mainMenu.Get(), 0) : nullptr;
}

HMENU GetNoteMenu()
{
    return g_noteMenuResource ? GetSubMenu(g_noteMenuResource.Get(), 0) : nullptr;
}

CStdStr GetMenuItemText(HMENU menu, UINT command)
{
    wchar_t text[256] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = static_cast<UINT>(std::size(text));
    if (!menu || !GetMenuItemInfoW(menu, command, FALSE, &info))
        return CStdStr();
    return CStdStr(text);
}

bool SetMenuItemText(HMENU menu, UINT command, const wchar_t* text)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text);
    return menu && SetMenuItemInfoW(menu, command, FALSE, &info);
}
