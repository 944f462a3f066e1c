// The note menu's "Group" submenu, filled for one note before the menu shows.
#include "GroupMenu.h"

#include "Note.h"
#include "foundation/LogFile.h"
#include "foundation/ResModule.h"
#include "groups.h"
#include "resources/resource.h"
#include "toolkit/CustomMenu.h"

namespace {

int FindCommandPosition(HMENU menu, UINT command)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position)
        if (GetMenuItemID(menu, position) == command)
            return position;
    return -1;
}

int FindFirstSeparator(HMENU menu)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position)
        if (GetMenuState(menu, position, MF_BYPOSITION) & MF_SEPARATOR)
            return position;
    return -1;
}

// The submenu three items after the lock command; null (logged) when the
// menu is not shaped so.
HMENU FindGroupSubmenu(HMENU noteMenu)
{
    const int lock = noteMenu ? FindCommandPosition(noteMenu, ID_NOTE_LOCK) : -1;
    const HMENU group = lock < 0 ? nullptr : GetSubMenu(noteMenu, lock + 3);
    if (!group || FindFirstSeparator(group) < 0) {
        QLOG(L"FillGroupMenu - the note menu has no Group submenu");
        return nullptr;
    }
    return group;
}

void InsertGroupItem(HMENU menu, int position, UINT command, const CStdStr& text, bool checked)
{
    InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, command, text.c_str());
    g_noteMenu.SetCommandImage(command, checked ? kCheckImage : -1, false);
}

}  // namespace

int GroupPositionFromCommand(UINT command)
{
    if (command < ID_NOTE_GROUP_FIRST || command >= ID_NOTE_GROUP_FIRST + kGroupMenuPositions)
        return -1;
    return static_cast<int>(command - ID_NOTE_GROUP_FIRST);
}

UINT GroupCommandFromPosition(int position)
{
    if (position < 0 || position >= kGroupMenuPositions)
        return 0;
    return ID_NOTE_GROUP_FIRST + static_cast<UINT>(position);
}

CStdStr MenuItemText(const CStdStr& name)
{
    CStdStr text = name;
    text.Replace(L"&", L"&&");
    return text;
}

void CNote::FillGroupMenu()
{
    const HMENU group = FindGroupSubmenu(g_noteMenu.GetMenu());
    if (!group)
        return;
    for (int separator = FindFirstSeparator(group); separator > 0; --separator)
        DeleteMenu(group, 0, MF_BYPOSITION);
    const CGroup* const own = CGroups::FindById(GetGroup());
    InsertGroupItem(group, 0, ID_NOTE_NO_GROUP, LoadResString(IDS_NO_GROUP_ASSIGNED), !own);
    const int count = CGroups::GetCount();
    if (count > kGroupMenuPositions)
        QLOG(L"FillGroupMenu - %d groups, only the first %d listed", count, kGroupMenuPositions);
    for (int position = 0; position < count && position < kGroupMenuPositions; ++position) {
        const CGroup* const listed = CGroups::GetAt(position);
        if (listed)
            InsertGroupItem(group, position + 1, GroupCommandFromPosition(position), MenuItemText(listed->GetName()),
                            listed == own);
    }
    if (m_hwnd)
        DrawMenuBar(m_hwnd);
}
