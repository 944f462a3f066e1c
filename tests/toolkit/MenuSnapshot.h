// A pop-up menu shaped like the program's menus, and a snapshot of every
// item of a menu tree, for the owner-drawn menu tests.
#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

namespace menutest {

// Command ids the tests give images.
constexpr UINT kNewNote = 208;
constexpr UINT kAlwaysOnTop = 20004;
constexpr UINT kCopy = 806;
constexpr UINT kOrganizer = 200;
constexpr UINT kNoGroup = 20051;
constexpr UINT kGroupWork = 20052;
constexpr UINT kVisible = 300;
constexpr UINT kPrint = 20010;

// The tray and note menus in small: nested submenus like Group and
// Transparency, separators, checked and grayed items at both levels, a
// column break and three items sharing id 200.
inline HMENU BuildTestMenu()
{
    const HMENU nested = CreatePopupMenu();
    AppendMenuW(nested, MF_STRING | MF_GRAYED | MF_CHECKED, 401, L"Deep");
    AppendMenuW(nested, MF_STRING, 402, L"Deeper");
    MENUITEMINFOW data = {};
    data.cbSize = sizeof data;
    data.fMask = MIIM_DATA;
    data.dwItemData = 0x5EED;   // an owner's own item data
    SetMenuItemInfoW(nested, 1, TRUE, &data);

    const HMENU group = CreatePopupMenu();
    AppendMenuW(group, MF_STRING | MF_CHECKED, kNoGroup, L"<No group assigned>");
    AppendMenuW(group, MF_STRING | MF_GRAYED, kGroupWork, L"Work");
    AppendMenuW(group, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(group, MF_POPUP, reinterpret_cast<UINT_PTR>(nested), L"Nested");

    const HMENU transparency = CreatePopupMenu();
    AppendMenuW(transparency, MF_STRING | MF_CHECKED, kVisible, L"Visible");
    AppendMenuW(transparency, MF_STRING, 301, L"10%");
    AppendMenuW(transparency, MF_STRING | MF_GRAYED, 302, L"20%");

    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kNewNote, L"&New Note\tAlt+Ctrl+N");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_CHECKED, kAlwaysOnTop, L"Always on top");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kCopy, L"Copy\tCtrl+C");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(group), L"Group");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(transparency), L"Transparency");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kOrganizer, L"...");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kOrganizer, L"More notes visible in organizer...");
    AppendMenuW(menu, MF_STRING, kOrganizer, L"Note &Organizer");
    AppendMenuW(menu, MF_STRING | MF_MENUBREAK, 30001, L"Second column");
    AppendMenuW(menu, MF_STRING, kPrint, L"Print &note\tCTRL+P");
    return menu;
}

// One line per item, depth first: depth, position, id, type, state, item
// data, submenu and text.
inline std::vector<std::wstring> SnapshotMenu(HMENU menu, int depth = 0)
{
    std::vector<std::wstring> lines;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 256;
        GetMenuItemInfoW(menu, position, TRUE, &info);
        std::wostringstream line;
        line << depth << L" " << position << L" id " << info.wID << L" type " << std::hex << info.fType
             << L" state " << info.fState << L" data " << info.dwItemData << L" sub "
             << reinterpret_cast<UINT_PTR>(info.hSubMenu) << L" '" << text << L"'";
        lines.push_back(line.str());
        if (info.hSubMenu) {
            const std::vector<std::wstring> inner = SnapshotMenu(info.hSubMenu, depth + 1);
            lines.insert(lines.end(), inner.begin(), inner.end());
        }
    }
    return lines;
}

inline std::string Narrow(const std::vector<std::wstring>& lines)
{
    std::string text;
    for (const std::wstring& line : lines)
        text += std::string(line.begin(), line.end()) + "\n";
    return text;
}

}  // namespace menutest
