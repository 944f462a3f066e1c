// Owner-drawn pop-up menus: each item shows a 16 x 15 image (or a colour
// swatch) in a column left of its text, with a check box where the item is
// checkable. The menu is owner-drawn only while it is tracked and is given
// back as it was. The owner passes WM_MEASUREITEM and WM_DRAWITEM to
// OnOwnerDrawMessage before its own handling. User-interface thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "framework/GdiObject.h"
#include "framework/ImageListHandle.h"

// One menu item as tracked; the same record is the command table's value,
// of which only the image fields and the check-box flag are used.
struct CustomMenuItem {
    bool isSwatch = false;      // a colour swatch instead of an image
    int imageIndex = -1;        // -1: no image
    COLORREF swatchColor = 0;
    UINT type = 0;              // MENUITEMINFO type as it was before tracking
    UINT state = 0;             // MENUITEMINFO state
    bool checkBox = false;      // drawn as a checkable item
    bool inSubmenu = false;     // an item of a submenu at any depth
    HMENU menu = nullptr;       // the menu that holds the item
    UINT commandId = 0;
    UINT position = 0;          // zero-based, in its menu
    std::wstring text;          // the item's whole text; label, tab, shortcut
    ULONG_PTR itemData = 0;     // the item's own data, given back after tracking
};

class CCustomMenu {
public:
    static constexpr int kImageWidth = 16;
    static constexpr int kImageHeight = 15;
    static constexpr COLORREF kMaskColor = 0xC0C0C0;

    CCustomMenu() = default;
    virtual ~CCustomMenu() = default;
    CCustomMenu(const CCustomMenu&) = delete;
    CCustomMenu& operator=(const CCustomMenu&) = delete;

    // The pop-up menu to track; the command table takes entries only while
    // one is set.
    void SetMenu(HMENU menu) { m_menu = menu; }
    HMENU GetMenu() const { return m_menu; }

    // Both image lists from bitmaps 146 and 168 of the language module or
    // the program; false when a list cannot be made (the second is then not
    // made).
    bool LoadImageLists();
    // The same from two strips of 16 x 15 cells on the mask colour; the
    // caller keeps the bitmaps.
    bool LoadImageLists(HBITMAP normalStrip, HBITMAP grayedStrip);

    // The image (-1: none) and check-box flag of a command; ignored while no
    // menu is set.
    void SetCommandImage(UINT commandId, int imageIndex, bool checkBox);
    // A colour swatch for a command; ignored while no menu is set.
    void SetCommandColor(UINT commandId, COLORREF color);
    // The command's entry; null when it has none.
    const CustomMenuItem* FindCommand(UINT commandId) const;

    // Turns every item of the menu and its submenus into an owner-drawn item
    // whose item data indexes the item list.
    void MakeOwnerDraw(HMENU menu, bool inSubmenu);
    // Converts the menu, tracks it through the pop-up menu seam and restores
    // it; the seam's result.
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner);

    // 1 when the message was WM_MEASUREITEM or WM_DRAWITEM for one of this
    // object's items (then answered), else 0 and the owner goes on.
    LRESULT OnOwnerDrawMessage(HWND window, UINT message, LPARAM lParam);

private:
    void RestoreItems() const;
    void RefreshMenuFont();
    const CustomMenuItem* ItemFor(ULONG_PTR itemData) const;
    bool MeasureItem(HWND window, MEASUREITEMSTRUCT* measure) const;
    bool DrawItem(const DRAWITEMSTRUCT* draw) const;
    void DrawItemImage(const DRAWITEMSTRUCT& draw, const CustomMenuItem& item, int column) const;

    std::map<UINT, CustomMenuItem> m_commands;
    std::vector<CustomMenuItem> m_items;
    HMENU m_menu = nullptr;
    CImageListHandle m_normalImages;
    CImageListHandle m_grayedImages;
    CFontHandle m_menuFont;
};

// The main window's menu object: the tray menu and the note list.
extern CCustomMenu g_trayMenu;
// The note windows' menu object: the shared note menu, set by the shell.
extern CCustomMenu g_noteMenu;

// A colour swatch for a command of the main window's menu.
void SetTrayMenuCommandColor(UINT commandId, COLORREF color);
