// The tray icon: one icon of the main window in the notification area, whose
// clicks create notes or open the main menu and whose tip and balloons
// report alarms and received notes; and the main menu's "&Display Note"
// list, rebuilt each time the menu opens.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

// The operations of NotifyTrayIcon.
enum ETrayOperation : int { kTrayAdd = 0, kTrayModify = 1, kTrayDelete = 2 };
enum ETrayIcon : int { kTrayIconNormal = 0, kTrayIconAlarm1 = 1, kTrayIconAlarm2 = 2 };

// The Shell_NotifyIconW result, or 0 outside tray mode.
int NotifyTrayIcon(HWND window, int operation, HICON icon, const wchar_t* tip, const wchar_t* balloon);
// Adds the icon with the caption as tip and clears the re-add flag; 0 (the
// flag stays) when it could not be added yet.
int AddTrayIcon(HWND window);
// Deletes the icon, then adds it again.
int ReAddTrayIcon(HWND window);
// Asks the shell for the notifications of version 3 for the main window's icon.
void SetTrayIconVersion();
// The icon still has to be added: timer 100 tries while this is set.
bool IsTrayReAddPending();

// Icons 167, 125 and 126 at the screen's size; loaded when the main window is
// made in tray mode.
void LoadTrayIcons();
HICON GetTrayIcon(ETrayIcon which);
// At the main window's end, once the icon is deleted.
void FreeTrayIcons();

// WM_TRAY_NOTIFY: lParam is the mouse, keyboard or balloon notification.
void OnTrayNotify(HWND window, LPARAM notification);

// What the commands of the last "&Display Note" build stand for: notes from
// 30001, groups' show-or-hide items from 40000, kept until the next build.
class CNotesMenuMap {
public:
    static constexpr UINT kFirstNoteCommand = 30001;
    static constexpr UINT kLastNoteCommand = 39999;
    static constexpr UINT kFirstGroupCommand = 40000;
    static constexpr UINT kLastGroupCommand = 49999;

    void Clear();
    // The command of a new slot; 0 when the range is full.
    UINT AddNote(std::int64_t id);
    UINT AddGroup(std::int64_t id);
    std::optional<std::int64_t> NoteAt(UINT command) const;
    std::optional<std::int64_t> GroupAt(UINT command) const;

private:
    std::vector<std::int64_t> m_notes;
    std::vector<std::int64_t> m_groups;
};
CNotesMenuMap& NotesMenuMap();

// Rebuilds the tray menu before it is shown: labels, hot-key texts and the
// "&Display Note" list from the database.
void BuildNotesMenu();
// The tray-menu item's label up to its first tab, then a tab and the hot
// key's text when it has one.
void UpdateMenuHotKeyText(UINT command, int hotKey);
