// The tray icon and the notes list of the main menu.
#include "trayicon.h"

#include <shellapi.h>

#include <cwchar>
#include <iterator>

#include "MainCommands.h"
#include "foundation/DBUseGuard.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/SysFuncs.h"
#include "framework/IconHandle.h"
#include "hotkeys.h"
#include "mainmenus.h"
#include "mainwnd.h"
#include "notecalls.h"
#include "notestore/GroupMenu.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "shellsvc.h"
#include "toolkit/CustomMenu.h"
#include "trayseam.h"

namespace {

constexpr UINT kBalloonTimeout = 10000;
constexpr int kMenuNameChars = 64;

bool g_trayReAdd = true;
// The last button-up or select of the icon, for the repeats the shell sends.
DWORD g_lastActivationTick = 0;
bool g_activatedBefore = false;
CIconHandle g_trayIcons[3];
// Items past a command range are left out, and said so once.
bool g_rangeFullLogged = false;

// Copies as much of the text as the field holds, always terminated.
template <std::size_t N>
void CopyCut(wchar_t (&field)[N], const wchar_t* text)
{
    const std::size_t length = text ? wcsnlen(text, N - 1) : 0;
    wmemcpy(field, text ? text : L"", length);
    field[length] = L'\0';
}

void SetBalloonTitle(NOTIFYICONDATAW& data, const wchar_t* title)
{
    data.uFlags |= NIF_INFO;
    data.uTimeout = kBalloonTimeout;
    data.dwInfoFlags = NIIF_INFO;
    CopyCut(data.szInfoTitle, title);
}

int IconSizeForScreen()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi <= 120 ? 16 : dpi <= 144 ? 32 : 48;
}

int TaskbarAction()
{
    // Anything unknown leaves the left button alone.
    return g_prefs.TaskbarAction <= 2 ? g_prefs.TaskbarAction : 2;
}

void NewNoteFromTray(HWND window)
{
    SetForegroundWindow(window);
    SendMessageW(window, WM_COMMAND, ID_NEW_NOTE, 0);
    PostMessageW(window, WM_FOREGROUND_NUDGE, 0, 0);
}

void ShowTrayMenu(HWND window)
{
    BuildNotesMenu();
    // Notifications of version 3 carry no position, also not for the
    // keyboard's menu key: the menu opens at the cursor.
    POINT cursor = {};
    GetCursorPos(&cursor);
    // A tray menu closes on a click elsewhere only while its owner is in front.
    SetForegroundWindow(window);
    g_trayMenu.TrackPopupMenu(TPM_LEFTBUTTON, cursor.x, cursor.y, window);
    PostMessageW(window, WM_NULL, 0, 0);
}

// Enter, Space or a select of the icon act as the left button's action.
// The shell follows a left click's button-up with a select, and some of its
// versions report one Enter twice: a select within the double-click time
// of the last one or of a button-up is the same act. True for a repeat.
bool RecordActivation()
{
    const DWORD now = g_clockSeam.tickCount();
    const bool repeated = g_activatedBefore && now - g_lastActivationTick < GetDoubleClickTime();
    g_lastActivationTick = now;
    g_activatedBefore = true;
    return repeated;
}

void OnTrayKeySelect(HWND window)
{
    if (RecordActivation())
        return;
    SetForegroundWindow(window);
    if (TaskbarAction() != 2)
        NewNoteFromTray(window);
}

void LogRangeFullOnce()
{
    if (g_rangeFullLogged)
        return;
    g_rangeFullLogged = true;
    QLOG(L"BuildNotesMenu - more items than commands, the rest left out");
}

CStdStr NoteItemText(CNote& note)
{
    CStdStr name = note.GetDisplayName();
    if (name.size() > kMenuNameChars)
        name = name.Left(kMenuNameChars) + L"...";
    name = MenuItemText(name);
    CStdStr text = name;
    if (!note.IsVisible())
        text.Format(L"%s (%s)", name.c_str(), LoadResString(IDS_HIDDEN));
    if (note.IsLocked())
        text += CStdStr(L" (") + LoadResString(IDS_LOCKED) + L")";
    return text;
}

int NoteImage(const CNote& note)
{
    if (note.Alarm().IsActive())
        return note.IsVisible() ? 11 : 12;
    return note.IsVisible() ? 13 : 14;
}

// Fills the notes submenu from the database: one list per query.
class CNotesMenuBuilder {
public:
    explicit CNotesMenuBuilder(HMENU notes) : m_notes(notes) {}

    // One popup per group, opening with its show-or-hide item.
    void AddGroupPopups()
    {
        for (int position = 0; position < CGroups::GetCount(); ++position)
            if (const CGroup* group = CGroups::GetAt(position))
                m_groupMenus.push_back(AddGroupPopup(*group));
    }

    void AddAllLists()
    {
        const wchar_t* const column = g_prefs.SubMenuSorting ? L"displayname" : L"lastupdatedate";
        const wchar_t* const order = g_prefs.SubMenuSorting ? L"ASC" : L"DESC";
        CStdStr condition;
        condition.Format(L"(IFNULL(`group`, 0) NOT IN (SELECT `id` FROM `groups`)) ORDER BY `%s` COLLATE NOCASE %s "
                         L"limit %d",
                         column, order, g_prefs.NotesInSubMenuLimit);
        AddList(m_notes, condition);
        int menuIndex = 0;
        for (int position = 0; position < CGroups::GetCount(); ++position) {
            const CGroup* group = CGroups::GetAt(position);
            if (!group)
                continue;
            condition.Format(L"`group`='%I64d' ORDER BY `%s` DESC limit %d", group->GetId(), column,
                             g_prefs.NotesInSubMenuLimit);
            AddList(m_groupMenus[menuIndex++], condition);
        }
        if (!m_anyNote)
            AppendMenuW(m_notes, MF_STRING | MF_GRAYED, ID_NO_NOTES, LoadResString(IDS_NO_NOTES));
    }

private:
    HMENU AddGroupPopup(const CGroup& group)
    {
        const HMENU popup = CreatePopupMenu();
        const UINT command = NotesMenuMap().AddGroup(group.GetId());
        if (command) {
            AppendMenuW(popup, MF_STRING, command, LoadResString(IDS_TOGGLE_GROUP));
            SetTrayMenuCommandColor(command, group.GetColor());
        } else {
            LogRangeFullOnce();
        }
        AppendMenuW(m_notes, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), MenuItemText(group.GetName()).c_str());
        return popup;
    }

    void AddList(HMENU target, const CStdStr& condition)
    {
        CNoteManager& manager = NoteManager();
        const CDBUseGuard use(manager);
        std::vector<std::int64_t> ids;
        CNote probe;
        if (!manager.GetDB() || !probe.GetSelectiveIDs(ids, condition.c_str()))
            return;
        int count = 0;
        for (CNote* const note : manager.GetNotes(ids)) {
            m_anyNote = true;
            AddNote(target, *note, ++count);
        }
    }

    void AddNote(HMENU target, CNote& note, int count)
    {
        const UINT command = NotesMenuMap().AddNote(note.GetId());
        if (!command) {
            LogRangeFullOnce();
            return;
        }
        const bool newColumn = g_prefs.MenuSplitLimit > 0 && count % g_prefs.MenuSplitLimit == 0;
        AppendMenuW(target, MF_STRING | (newColumn ? MF_MENUBREAK : 0), command, NoteItemText(note).c_str());
        g_trayMenu.SetCommandImage(command, NoteImage(note), false);
        if (count == g_prefs.NotesInSubMenuLimit)
            AddMoreNotesBlock(target);
    }

    static void AddMoreNotesBlock(HMENU target)
    {
        AppendMenuW(target, MF_STRING | MF_GRAYED, ID_NOTE_ORGANIZER, L"...");
        AppendMenuW(target, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(target, MF_STRING | MF_GRAYED, ID_NOTE_ORGANIZER, L"More notes visible in organizer...");
        AppendMenuW(target, MF_STRING, ID_NOTE_ORGANIZER, L"Note &Organizer");
        UpdateMenuHotKeyText(ID_NOTE_ORGANIZER, 2);
    }

    HMENU m_notes;
    std::vector<HMENU> m_groupMenus;
    bool m_anyNote = false;
};

// The submenu right after the show-or-hide item.
HMENU FindNotesSubmenu(HMENU tray)
{
    const int count = GetMenuItemCount(tray);
    for (int position = 0; position + 1 < count; ++position)
        if (GetMenuItemID(tray, position) == ID_SHOW_HIDE_ALL)
            return GetSubMenu(tray, position + 1);
    return nullptr;
}

}  // namespace

int NotifyTrayIcon(HWND window, int operation, HICON icon, const wchar_t* tip, const wchar_t* balloon)
{
    if (!IsTrayMode())
        return 0;
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.hIcon = icon;
    CopyCut(data.szTip, tip);
    const bool welcome = operation == kTrayAdd && g_prefs.ShowTrayBubble;
    if (welcome) {
        // One string-table text at a time: the loader's buffer is reused.
        SetBalloonTitle(data, LoadResString(IDS_TRAY_WELCOME_TITLE));
        CopyCut(data.szInfo, LoadResString(IDS_TRAY_WELCOME));
    } else if (operation == kTrayModify && balloon) {
        SetBalloonTitle(data, GetAppCaption());
        CopyCut(data.szInfo, balloon);
    }
    const BOOL result = g_traySeam.notifyIcon(static_cast<DWORD>(operation), &data);
    if (result && operation == kTrayAdd) {
        // The welcome shows once, and only once it has been shown.
        if (welcome)
            g_prefs.ShowTrayBubble = false;
        SetTrayIconVersion();
    }
    return result;
}

int AddTrayIcon(HWND window)
{
    const HICON icon = GetTrayIcon(kTrayIconNormal);
    const int added = NotifyTrayIcon(window, kTrayAdd, icon, nullptr, nullptr);
    if (!added)
        return added;
    g_trayReAdd = false;
    NotifyTrayIcon(window, kTrayModify, icon, GetAppCaption(), nullptr);
    return added;
}

int ReAddTrayIcon(HWND window)
{
    NotifyTrayIcon(window, kTrayDelete, nullptr, nullptr, nullptr);
    g_trayReAdd = true;
    return AddTrayIcon(window);
}

void SetTrayIconVersion()
{
    if (!IsTrayMode())
        return;
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = GetAppWindow();
    data.uID = 0;
    data.uVersion = NOTIFYICON_VERSION;
    g_traySeam.notifyIcon(NIM_SETVERSION, &data);
}

bool IsTrayReAddPending()
{
    return g_trayReAdd;
}

void LoadTrayIcons()
{
    const int size = IconSizeForScreen();
    const UINT ids[] = {IDI_TRAY, IDI_ALARM_1, IDI_ALARM_2};
    for (std::size_t index = 0; index < std::size(ids); ++index) {
        g_trayIcons[index].Reset(MyLoadIconWithScaleDown(MAKEINTRESOURCEW(ids[index]), size, size));
        if (!g_trayIcons[index])
            QLOG(L"Tray icon %u could not be loaded", ids[index]);
    }
}

HICON GetTrayIcon(ETrayIcon which)
{
    return g_trayIcons[which].Get();
}

void FreeTrayIcons()
{
    for (CIconHandle& icon : g_trayIcons)
        icon.Reset();
}

void OnTrayNotify(HWND window, LPARAM notification)
{
    switch (LOWORD(notification)) {
    case WM_LBUTTONDOWN:
        SetForegroundWindow(window);
        PostMessageW(window, WM_NULL, 0, 0);
        break;
    case WM_LBUTTONUP:
        RecordActivation();
        if (TaskbarAction() == 0)
            NewNoteFromTray(window);
        break;
    case WM_LBUTTONDBLCLK:
        if (TaskbarAction() == 1)
            NewNoteFromTray(window);
        break;
    case WM_RBUTTONDOWN:
    case WM_CONTEXTMENU: ShowTrayMenu(window); break;
    case NIN_SELECT:
    case NIN_KEYSELECT: OnTrayKeySelect(window); break;
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONUSERCLICK:
        if (IsSoundPlaying())
            StopSound();
        break;
    }
}

void CNotesMenuMap::Clear()
{
    m_notes.clear();
    m_groups.clear();
}

UINT CNotesMenuMap::AddNote(std::int64_t id)
{
    if (m_notes.size() > kLastNoteCommand - kFirstNoteCommand)
        return 0;
    m_notes.push_back(id);
    return kFirstNoteCommand + static_cast<UINT>(m_notes.size() - 1);
}

UINT CNotesMenuMap::AddGroup(std::int64_t id)
{
    if (m_groups.size() > kLastGroupCommand - kFirstGroupCommand)
        return 0;
    m_groups.push_back(id);
    return kFirstGroupCommand + static_cast<UINT>(m_groups.size() - 1);
}

std::optional<std::int64_t> CNotesMenuMap::NoteAt(UINT command) const
{
    if (command < kFirstNoteCommand || command - kFirstNoteCommand >= m_notes.size())
        return std::nullopt;
    return m_notes[command - kFirstNoteCommand];
}

std::optional<std::int64_t> CNotesMenuMap::GroupAt(UINT command) const
{
    if (command < kFirstGroupCommand || command - kFirstGroupCommand >= m_groups.size())
        return std::nullopt;
    return m_groups[command - kFirstGroupCommand];
}

CNotesMenuMap& NotesMenuMap()
{
    static CNotesMenuMap map;
    return map;
}

void UpdateMenuHotKeyText(UINT command, int hotKey)
{
    const HMENU tray = GetTrayMenu();
    CStdStr text = GetMenuItemText(tray, command);
    const int tab = text.Find(L'\t');
    if (tab >= 0)
        text = text.Left(tab);
    const CStdStr key = GetHotKeyText(hotKey);
    if (!key.empty())
        text += L"\t" + key;
    SetMenuItemText(tray, command, text.c_str());
}

void BuildNotesMenu()
{
    const HMENU tray = GetTrayMenu();
    if (!tray)
        return;
    // The label names what the command will do now.
    SetMenuItemText(tray, ID_SHOW_HIDE_ALL, LoadResString(AnyNoteShown() ? IDS_HIDE_ALL : IDS_SHOW_ALL));
    UpdateMenuHotKeyText(ID_NEW_NOTE, 1);
    UpdateMenuHotKeyText(ID_NOTE_ORGANIZER, 2);
    UpdateMenuHotKeyText(ID_SHOW_HIDE_ALL, 3);
    UpdateMenuHotKeyText(ID_QUICK_SEARCH, 4);
    const HMENU notes = FindNotesSubmenu(tray);
    if (!notes)
        return;
    while (GetMenuItemCount(notes) > 0)
        DeleteMenu(notes, 0, MF_BYPOSITION);
    NotesMenuMap().Clear();
    g_rangeFullLogged = false;
    CNotesMenuBuilder builder(notes);
    builder.AddGroupPopups();
    builder.AddAllLists();
}
