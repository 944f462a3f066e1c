// The tray icon and the main menus: adds that fail and succeed, the welcome
// balloon, the re-adds; clicks on the icon; the "&Display Note" list built
// from real notes and groups; the menus as the main window prepares them;
// and the main window's commands. The tray is a recorder behind its seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <deque>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/WinVersion.h"
#include "framework/MenuHandle.h"
#include "framework/UiSeams.h"
#include "exchange/NetLists.h"
#include "exchange/NetSendRecord.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "shell/MainCommands.h"
#include "shell/mainmenus.h"
#include "shell/maintimers.h"
#include "shell/mainwnd.h"
#include "shell/shellsvc.h"
#include "shell/trayicon.h"
#include "shell/trayseam.h"
#include "tests/shell/ShellStoreTestSupport.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ComApartment.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"
#include "tests/support/WindowOrder.h"
#include "toolkit/CustomMenu.h"

namespace {

// ---- the tray recorder

struct STrayCall {
    DWORD operation;
    HICON icon;
    UINT flags;
    std::wstring tip;
    std::wstring infoTitle;
    std::wstring info;
    UINT version;
    DWORD cbSize;
    DWORD state;
};

std::vector<STrayCall> g_trayCalls;
std::deque<BOOL> g_addResults;

BOOL RecordTray(DWORD operation, NOTIFYICONDATAW* data)
{
    g_trayCalls.push_back({operation, data->hIcon, data->uFlags, data->szTip, data->szInfoTitle, data->szInfo, data->uVersion,
                           data->cbSize, data->dwState | data->dwStateMask});
    if (operation != NIM_ADD || g_addResults.empty())
        return TRUE;
    const BOOL result = g_addResults.front();
    g_addResults.pop_front();
    return result;
}

std::vector<DWORD> TrayOperations()
{
    std::vector<DWORD> operations;
    for (const STrayCall& call : g_trayCalls)
        operations.push_back(call.operation);
    return operations;
}

// ---- the main window: the program's procedure, its commands recorded

std::vector<UINT> g_commands;

LRESULT CALLBACK RecordingMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        g_commands.push_back(LOWORD(wParam));
    return MainWndProc(window, message, wParam, lParam);
}

const wchar_t* RegisteredClass(const std::wstring& prefix, WNDPROC procedure)
{
    static std::vector<std::wstring> names;
    names.push_back(prefix + UniqueName());
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = names.back().c_str();
    return RegisterClassW(&windowClass) ? names.back().c_str() : nullptr;
}

CStdStr ItemText(HMENU menu, UINT position)
{
    wchar_t text[256] = {};
    GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return text;
}

int PositionOf(HMENU menu, UINT command)
{
    for (int position = 0; position < GetMenuItemCount(menu); ++position)
        if (GetMenuItemID(menu, position) == command)
            return position;
    return -1;
}

// As the shell registers it, for notes' bare windows; once per process.
void RegisterNoteClass()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NoteWClass";
    RegisterClassW(&windowClass);
}

// The main window runs the program's procedure and records its commands; the
// tray calls are recorded.
class CTrayTest : public CShellStoreTest {
protected:
    CTrayTest() : CShellStoreTest(&RecordTray) {}

    void SetUp() override
    {
        CShellStoreTest::SetUp();
        g_trayCalls.clear();
        g_addResults.clear();
        g_commands.clear();
        static const wchar_t* const mainClass = RegisteredClass(L"TrayMain", &RecordingMainProc);
        static const wchar_t* const parentClass = RegisteredClass(L"TrayParent", &ParentWndProc);
        RegisterNoteClass();
        ASSERT_TRUE(mainClass && parentClass);
        CreateWindows(mainClass, parentClass, WS_POPUP | WS_VISIBLE, RECT{40, 40, 165, 59});
        g_trayCalls.clear();
    }

    void Command(UINT command) { SendMessageW(m_window, WM_COMMAND, command, 0); }
};

// ---- adding the icon

TEST_F(CTrayTest, AFailedAddIsTriedOnTheNextTickAndTheWelcomeShowsOnceItSucceeds)
{
    // An icon the shell lost: deleted, and its add refused.
    g_addResults = {FALSE};
    ReAddTrayIcon(m_window);
    ASSERT_TRUE(IsTrayReAddPending());
    g_trayCalls.clear();

    g_prefs.ShowTrayBubble = true;
    g_addResults = {FALSE, TRUE};
    OnMainTimer(m_window, kMainTimerId);
    EXPECT_EQ(TrayOperations(), std::vector<DWORD>{NIM_ADD});
    EXPECT_EQ(g_trayCalls[0].info, LoadResString(IDS_TRAY_WELCOME));
    EXPECT_TRUE(g_prefs.ShowTrayBubble);
    EXPECT_TRUE(IsTrayReAddPending());

    OnMainTimer(m_window, kUpkeepTimerId);
    EXPECT_EQ(g_trayCalls.size(), 1u);

    OnMainTimer(m_window, kMainTimerId);
    ASSERT_EQ(TrayOperations(), (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_SETVERSION, NIM_MODIFY}));
    EXPECT_EQ(g_trayCalls[1].infoTitle, L"Quillet Desktop utility V4.1");
    EXPECT_TRUE(g_trayCalls[1].flags & NIF_INFO);
    EXPECT_EQ(g_trayCalls[2].version, static_cast<UINT>(NOTIFYICON_VERSION));
    EXPECT_EQ(g_trayCalls[3].tip, L"Quillet");
    EXPECT_FALSE(g_trayCalls[3].flags & NIF_INFO);
    EXPECT_EQ(g_trayCalls[1].cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_FALSE(g_prefs.ShowTrayBubble);
    EXPECT_FALSE(IsTrayReAddPending());

    OnMainTimer(m_window, kMainTimerId);
    EXPECT_EQ(g_trayCalls.size(), 4u);
}

TEST_F(CTrayTest, TaskbarRestartHiddenBarAndRestoredParentEachAddTheIconAgain)
{
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    const std::vector<DWORD> readd = {NIM_DELETE, NIM_ADD, NIM_SETVERSION, NIM_MODIFY};
    SendMessageW(m_window, taskbarCreated, 0, 0);
    EXPECT_EQ(TrayOperations(), readd);
    EXPECT_FALSE(IsTrayReAddPending());

    g_trayCalls.clear();
    ASSERT_TRUE(IsWindowVisible(m_window));
    Command(ID_TOGGLE_TOOLBAR);
    EXPECT_EQ(TrayOperations(), readd);

    g_trayCalls.clear();
    SendMessageW(m_parent, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(TrayOperations(), readd);
}

TEST_F(CTrayTest, TheTrayIconsLoadAtTheScreensSize)
{
    for (const ETrayIcon which : {kTrayIconNormal, kTrayIconAlarm1, kTrayIconAlarm2}) {
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(GetTrayIcon(which), &info)) << which;
        BITMAP colour = {};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, 16) << which;   // 96 dots per inch
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    AddTrayIcon(m_window);
    ASSERT_FALSE(g_trayCalls.empty());
    EXPECT_EQ(g_trayCalls.back().icon, GetTrayIcon(kTrayIconNormal));
}

TEST_F(CTrayTest, AReceivedNoteIsAnnouncedInABalloonWithTheIconKept)
{
    {
        CNote probe;
        const bool windows = probe.CreateNoteWindow(L"", true);
        probe.DestroyNoteWindow(true);
        if (!windows)
            GTEST_SKIP() << "note windows are not part of this build yet";
    }
    g_prefs.ReceiveNotify = true;
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n"
                            "<note>\r\n<visible>1</visible>\r\n<text>hello</text>\r\n</note>\r\n</NOTES>";
    std::unique_ptr<CNetSendRecord> record =
        CNetSendRecord::Make(nullptr, L"", 0, nullptr, 0, xml.c_str(), xml.size() + 1, L"bob");
    EXPECT_EQ(SendMessageW(m_window, WM_NOTE_RECEIVED, 0, ReleaseNetSendRecord(std::move(record))), 1);
    PumpPosted();
    ASSERT_FALSE(g_trayCalls.empty());
    const STrayCall& balloon = g_trayCalls.back();
    EXPECT_EQ(balloon.operation, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(balloon.info, L"Received note from user (bob)");
    EXPECT_EQ(balloon.infoTitle, L"Quillet");
    EXPECT_EQ(balloon.tip, L"Quillet");
    EXPECT_EQ(balloon.icon, GetTrayIcon(kTrayIconNormal));
}

TEST_F(CTrayTest, LongTipsAndBalloonsAreCutAndTerminated)
{
    const std::wstring tip(200, L't');
    const std::wstring balloon(300, L'b');
    NotifyTrayIcon(m_window, kTrayModify, nullptr, tip.c_str(), balloon.c_str());
    ASSERT_EQ(g_trayCalls.size(), 1u);
    EXPECT_EQ(g_trayCalls[0].tip, tip.substr(0, 127));
    EXPECT_EQ(g_trayCalls[0].info, balloon.substr(0, 255));
    EXPECT_EQ(g_trayCalls[0].infoTitle, L"Quillet");
    EXPECT_EQ(g_trayCalls[0].state, 0u);
}

TEST_F(CTrayTest, OutsideTrayModeTheShellIsNeverCalled)
{
    WindowsVersion().winXP = false;
    EXPECT_EQ(ReAddTrayIcon(m_window), 0);
    SetTrayIconVersion();
    EXPECT_TRUE(g_trayCalls.empty());
    EXPECT_TRUE(IsTrayReAddPending());
}

// ---- clicks

TEST_F(CTrayTest, LeftClicksMakeANoteAsTheTaskbarActionSays)
{
    wcscpy_s(g_prefs.CreateNote, L"C:\\new.wav");
    const struct {
        BYTE action;
        UINT mouse;
        bool newNote;
    } rows[] = {{0, WM_LBUTTONUP, true},  {0, WM_LBUTTONDBLCLK, false}, {1, WM_LBUTTONUP, false},
                {1, WM_LBUTTONDBLCLK, true}, {2, WM_LBUTTONUP, false},   {2, WM_LBUTTONDBLCLK, false},
                {7, WM_LBUTTONUP, false}, {7, WM_LBUTTONDBLCLK, false}};
    for (const auto& row : rows) {
        g_prefs.TaskbarAction = row.action;
        g_commands.clear();
        SendMessageW(m_window, WM_TRAY_NOTIFY, 0, row.mouse);
        PumpPosted();
        EXPECT_EQ(g_commands, row.newNote ? std::vector<UINT>{ID_NEW_NOTE} : std::vector<UINT>{})
            << int(row.action) << " " << row.mouse;
    }
    // The two new notes were made, each with its sound.
    EXPECT_FALSE(CRecordedSound::Commands().empty());
}

TEST_F(CTrayTest, RightClickShowsTheBuiltMenuAndRunsTheChoice)
{
    ScopedUiScript script;
    script.AnswerMenu(ID_SAVE_ALL);
    SendMessageW(m_window, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
    PumpPosted();
    ASSERT_EQ(script.MenuFlags().size(), 1u);
    EXPECT_EQ(g_commands, std::vector<UINT>{ID_SAVE_ALL});
    // The list was built on the way: an empty store says so.
    const HMENU tray = GetTrayMenu();
    const HMENU notes = GetSubMenu(tray, PositionOf(tray, ID_SHOW_HIDE_ALL) + 1);
    EXPECT_EQ(ItemText(notes, 0), L"<No notes created>");
}

DWORD g_trayTick = 0;

DWORD TrayTick()
{
    return g_trayTick;
}

TEST_F(CTrayTest, TheKeyboardOpensTheMenuAndActsAsTheLeftButton)
{
    {
        ScopedUiScript script;
        script.AnswerMenu(0);
        SendMessageW(m_window, WM_TRAY_NOTIFY, 0, WM_CONTEXTMENU);   // Shift+F10 or the menu key
        PumpPosted();
        EXPECT_EQ(script.MenuFlags().size(), 1u);
        EXPECT_TRUE(g_commands.empty());
    }
    const CSeamOverride<SClockSeam> clock(g_clockSeam, {g_clockSeam.now, &TrayTick});
    wcscpy_s(g_prefs.CreateNote, L"C:\\new.wav");
    const DWORD soon = GetDoubleClickTime() / 2;
    const DWORD later = GetDoubleClickTime() * 2;
    const struct {
        BYTE action;
        UINT notice;
        DWORD after;
        bool newNote;
    } rows[] = {
        {0, NIN_KEYSELECT, later, true},
        {0, NIN_KEYSELECT, soon, false},   // the second report of one Enter
        {0, NIN_SELECT, later, true},
        {0, WM_LBUTTONUP, later, true},
        {0, NIN_SELECT, soon, false},      // the select that follows a click
        {1, NIN_KEYSELECT, later, true},   // whichever click makes notes
        {2, NIN_KEYSELECT, later, false},  // left clicks do nothing
        {7, NIN_SELECT, later, false},
    };
    g_trayTick = 100000;
    for (const auto& row : rows) {
        g_prefs.TaskbarAction = row.action;
        g_trayTick += row.after;
        g_commands.clear();
        const int notesBefore = m_manager.GetNoteCount();
        SendMessageW(m_window, WM_TRAY_NOTIFY, 0, row.notice);
        PumpPosted();
        EXPECT_EQ(g_commands, row.newNote ? std::vector<UINT>{ID_NEW_NOTE} : std::vector<UINT>{})
            << int(row.action) << " " << row.notice;
        EXPECT_EQ(m_manager.GetNoteCount(), notesBefore + (row.newNote ? 1 : 0)) << int(row.action);
    }
}

TEST_F(CTrayTest, BalloonNoticesStopAPlayingSound)
{
    for (const UINT notice : {NIN_BALLOONHIDE, NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK}) {
        ASSERT_EQ(PlaySoundFile(L"C:\\ding.wav"), 1);
        CRecordedSound::Commands().clear();
        SendMessageW(m_window, WM_TRAY_NOTIFY, 0, notice);
        EXPECT_EQ(CRecordedSound::Commands(), (std::vector<std::wstring>{L"stop sound wait", L"close sound"}))
            << notice;
        EXPECT_FALSE(IsSoundPlaying());
    }
    CRecordedSound::Commands().clear();
    SendMessageW(m_window, WM_TRAY_NOTIFY, 0, NIN_BALLOONTIMEOUT);
    EXPECT_TRUE(CRecordedSound::Commands().empty());
}

// ---- the "&Display Note" list

class CNotesMenuTest : public CTrayTest {
protected:
    // A stored note; the row's id and group are set afterwards by SQL.
    std::int64_t AddNote(const wchar_t* name, bool visible, bool locked = false, std::uint32_t alarmFlags = 0)
    {
        return StoreNamedNote(name, L"", visible, locked, alarmFlags);
    }

    // Gives a stored note its final id and group (a number, NULL or text);
    // its full-text row, which the menu never reads, goes.
    void Place(std::int64_t id, std::int64_t newId, const std::wstring& group)
    {
        Sql(L"UPDATE notes SET id=" + std::to_wstring(newId) + L", `group`=" + group + L" WHERE id=" +
            std::to_wstring(id));
        Sql(L"DELETE FROM search2 WHERE docid=" + std::to_wstring(id));
    }

    HMENU NotesSubmenu()
    {
        const HMENU tray = GetTrayMenu();
        return GetSubMenu(tray, PositionOf(tray, ID_SHOW_HIDE_ALL) + 1);
    }

    struct SItem {
        std::wstring text;
        std::int64_t noteId;
        int image;
    };

    std::vector<SItem> NoteItems(HMENU menu, int first)
    {
        std::vector<SItem> items;
        for (int position = first; position < GetMenuItemCount(menu); ++position) {
            const UINT command = GetMenuItemID(menu, position);
            const auto note = NotesMenuMap().NoteAt(command);
            const CustomMenuItem* entry = g_trayMenu.FindCommand(command);
            EXPECT_LE(command, 0xFFFFu);
            items.push_back({ItemText(menu, position), note ? *note : -1, entry ? entry->imageIndex : -2});
        }
        return items;
    }

    void ExpectItems(const std::vector<SItem>& actual, const std::vector<SItem>& expected)
    {
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t index = 0; index < expected.size(); ++index) {
            EXPECT_EQ(actual[index].text, expected[index].text) << index;
            EXPECT_EQ(actual[index].noteId, expected[index].noteId) << index;
            EXPECT_EQ(actual[index].image, expected[index].image) << index;
        }
    }
};

TEST_F(CNotesMenuTest, GroupsAndUngroupedNotesAreListedByTheirOwnCommands)
{
    const CGroup* groupA = CGroups::AddGroup(-1, L"A&B", 0x112233);
    const CGroup* groupB = CGroups::AddGroup(-1, L"B", 0x445566);
    ASSERT_TRUE(groupA && groupB);
    const std::int64_t a = groupA->GetId();
    const std::int64_t b = groupB->GetId();
    const std::wstring longName(70, L'x');
    const struct {
        std::int64_t stored;
        std::int64_t id;
        std::wstring group;
    } placed[] = {{AddNote(L"Alpha", true), 7, L"0"},
                  {AddNote(L"Bravo", true), 9999, L"NULL"},
                  {AddNote(L"Charlie", false, true), 10000, L"999"},
                  {AddNote(L"Q&A", true), 70000, L"''"},
                  {AddNote(longName.c_str(), true), 40001, L"0"},
                  {AddNote(L"In A", true, false, 0x05), 500, std::to_wstring(a)},
                  {AddNote(L"In B", false), 501, std::to_wstring(b)}};
    // The last first: no final id is a stored one still to move.
    for (auto row = std::rbegin(placed); row != std::rend(placed); ++row)
        Place(row->stored, row->id, row->group);
    Sql(L"UPDATE notes SET lastupdatedate = 40000 + id / 100000.0");
    m_manager.CloseAll();

    for (const int sorting : {1, 0}) {
        g_prefs.SubMenuSorting = sorting;
        BuildNotesMenu();
        const HMENU notes = NotesSubmenu();
        ASSERT_EQ(GetMenuItemCount(notes), 7);
        EXPECT_EQ(ItemText(notes, 0), L"A&&B");
        EXPECT_EQ(ItemText(notes, 1), L"B");
        const std::vector<SItem> alphabetical = {{L"Alpha", 7, 13},
                                                 {L"Bravo", 9999, 13},
                                                 {L"Charlie (Hidden) (Locked)", 10000, 14},
                                                 {L"Q&&A", 70000, 13},
                                                 {std::wstring(64, L'x') + L"...", 40001, 13}};
        const std::vector<SItem> newestFirst = {alphabetical[3], alphabetical[4], alphabetical[2], alphabetical[1],
                                                alphabetical[0]};
        ExpectItems(NoteItems(notes, 2), sorting ? alphabetical : newestFirst);

        const HMENU popupA = GetSubMenu(notes, 0);
        ASSERT_EQ(GetMenuItemCount(popupA), 2);
        EXPECT_EQ(ItemText(popupA, 0), L"Show/Hide notes in group");
        const UINT toggleA = GetMenuItemID(popupA, 0);
        EXPECT_EQ(NotesMenuMap().GroupAt(toggleA), a);
        EXPECT_FALSE(NotesMenuMap().NoteAt(toggleA).has_value());
        const CustomMenuItem* swatch = g_trayMenu.FindCommand(toggleA);
        ASSERT_NE(swatch, nullptr);
        EXPECT_TRUE(swatch->isSwatch);
        EXPECT_EQ(swatch->swatchColor, 0x112233u);
        ExpectItems(NoteItems(popupA, 1), {{L"In A", 500, 11}});
        const HMENU popupB = GetSubMenu(notes, 1);
        EXPECT_EQ(NotesMenuMap().GroupAt(GetMenuItemID(popupB, 0)), b);
        ExpectItems(NoteItems(popupB, 1), {{L"In B (Hidden)", 501, 14}});
    }

    // A group's item hides its shown notes, then shows them; no other note moves.
    g_prefs.AnimationSpeed = 3;
    const UINT toggleA = GetMenuItemID(GetSubMenu(NotesSubmenu(), 0), 0);
    const auto visibleRow = [this](std::int64_t id) {
        return m_manager.GetDB()->execScalar((L"SELECT visible FROM notes WHERE id=" + std::to_wstring(id)).c_str());
    };
    const auto windowShown = [this](std::int64_t id) {
        const CNote* note = m_manager.GetNote(id);
        return note && note->GetHwnd() && IsWindowVisible(note->GetHwnd());
    };
    Command(toggleA);
    EXPECT_EQ(visibleRow(500), 0);
    EXPECT_FALSE(windowShown(500));
    Command(toggleA);
    EXPECT_EQ(visibleRow(500), 1);
    EXPECT_TRUE(windowShown(500));
    EXPECT_EQ(visibleRow(501), 0);
    EXPECT_FALSE(windowShown(501));
    EXPECT_EQ(visibleRow(7), 1);
    EXPECT_EQ(m_manager.GetNote(7)->GetHwnd(), nullptr);
}

TEST_F(CNotesMenuTest, ARebuildRetiresTheCommandsOfNotesThatAreGone)
{
    const std::int64_t first = AddNote(L"First", true);
    const std::int64_t second = AddNote(L"Second", true);
    g_prefs.SubMenuSorting = 1;
    BuildNotesMenu();
    const HMENU notes = NotesSubmenu();
    const UINT secondCommand = GetMenuItemID(notes, 1);
    EXPECT_EQ(NotesMenuMap().NoteAt(secondCommand), second);

    Sql(L"DELETE FROM notes WHERE id=" + std::to_wstring(second));
    m_manager.CloseAll();
    BuildNotesMenu();
    EXPECT_EQ(GetMenuItemCount(notes), 1);
    EXPECT_EQ(NotesMenuMap().NoteAt(GetMenuItemID(notes, 0)), first);
    EXPECT_FALSE(NotesMenuMap().NoteAt(secondCommand).has_value());
    // Commands of no slot do nothing.
    for (const UINT command : {secondCommand, 30000u, 16u, 40000u, 49999u, 65535u})
        Command(command);
}

TEST_F(CNotesMenuTest, LongListsEndInTheOrganizerBlockAndSplitIntoColumns)
{
    std::vector<CNote*> batch;
    for (int index = 0; index < 33; ++index) {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        wchar_t name[8] = {L'N', static_cast<wchar_t>(L'A' + index / 26), static_cast<wchar_t>(L'a' + index % 26)};
        note->Row().name = name;
        note->Row().visible = true;
        note->GetDisplayName();
        batch.push_back(note);
    }
    ASSERT_TRUE(m_manager.StoreNotes(batch));
    g_prefs.SubMenuSorting = 1;

    g_prefs.NotesInSubMenuLimit = 40;
    g_prefs.MenuSplitLimit = 16;
    BuildNotesMenu();
    HMENU notes = NotesSubmenu();
    ASSERT_EQ(GetMenuItemCount(notes), 33);
    for (int position = 0; position < 33; ++position)
        EXPECT_EQ((GetMenuState(notes, position, MF_BYPOSITION) & MF_MENUBREAK) != 0,
                  position == 15 || position == 31)
            << position;

    g_prefs.NotesInSubMenuLimit = 10;
    BuildNotesMenu();
    notes = NotesSubmenu();
    ASSERT_EQ(GetMenuItemCount(notes), 14);
    EXPECT_EQ(ItemText(notes, 10), L"...");
    EXPECT_TRUE(GetMenuState(notes, 11, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(ItemText(notes, 12), L"More notes visible in organizer...");
    EXPECT_TRUE(GetMenuState(notes, 12, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(ItemText(notes, 13), L"Note &Organizer");
    EXPECT_EQ(GetMenuItemID(notes, 13), ID_NOTE_ORGANIZER);
}

TEST_F(CNotesMenuTest, AnEmptyOrUnusableStoreSaysNoNotesWereCreated)
{
    ASSERT_NE(CGroups::AddGroup(-1, L"Work", 0xFF), nullptr);
    for (const bool usable : {true, false}) {
        if (!usable) {
            // The groups stay listed; their notes can't be read.
            m_manager.CloseAll();
            m_manager.SetDatabasePath(m_dir.File(L"missing\\folder\\QUILLT40.DAT").c_str());
        }
        BuildNotesMenu();
        const HMENU notes = NotesSubmenu();
        ASSERT_EQ(GetMenuItemCount(notes), 2) << usable;
        EXPECT_EQ(ItemText(notes, 0), L"Work");
        EXPECT_EQ(GetMenuItemCount(GetSubMenu(notes, 0)), 1);
        EXPECT_EQ(ItemText(notes, 1), L"<No notes created>");
        EXPECT_EQ(GetMenuItemID(notes, 1), 30000u);
        EXPECT_TRUE(GetMenuState(notes, 1, MF_BYPOSITION) & MF_GRAYED);
        // With no note shown the item offers to show them.
        EXPECT_EQ(GetMenuItemText(GetTrayMenu(), ID_SHOW_HIDE_ALL), L"Show All");
        // No hot key has a text yet: no tab follows the labels.
        EXPECT_EQ(GetMenuItemText(GetTrayMenu(), ID_NEW_NOTE), L"&New Note");
    }
}

// ---- the menus as the main window prepares them

TEST_F(CTrayTest, MenusGetTheirStartUpItems)
{
    for (const bool mapi : {true, false}) {
        g_prefs.AlwaysOnTop = mapi;
        SMenuOptions options;
        options.trayMode = true;
        options.mapi = mapi;
        options.layered = true;
        ASSERT_TRUE(PrepareMainMenus(options));
        const HMENU tray = GetTrayMenu();
        EXPECT_EQ(PositionOf(tray, ID_TOGGLE_TOOLBAR) + 1, PositionOf(tray, ID_SAVE_ALL));
        EXPECT_EQ(GetMenuItemText(tray, ID_TOGGLE_TOOLBAR), L"Hide Toolbar");
        EXPECT_EQ((GetMenuState(tray, ID_ALWAYS_ON_TOP, MF_BYCOMMAND) & MF_CHECKED) != 0, mapi);
        EXPECT_EQ(ItemText(tray, 0), L"&New Note");

        const HMENU note = GetNoteMenu();
        const int send = PositionOf(note, 20042);
        EXPECT_EQ(PositionOf(note, 213), mapi ? send - 1 : -1);
        const int print = PositionOf(note, 20010);
        EXPECT_TRUE(GetMenuState(note, print - 1, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(ItemText(note, print - 2), L"Transparency");
        const HMENU levels = GetSubMenu(note, print - 2);
        ASSERT_EQ(GetMenuItemCount(levels), 10);
        EXPECT_EQ(ItemText(levels, 0), L"Visible");
        EXPECT_EQ(GetMenuItemID(levels, 0), 300u);
        EXPECT_EQ(ItemText(levels, 1), L"10%");
        EXPECT_EQ(ItemText(levels, 9), L"90%");
        EXPECT_EQ(GetMenuItemID(levels, 9), 309u);
        EXPECT_EQ(g_noteMenu.GetMenu(), note);
        EXPECT_EQ(g_trayMenu.GetMenu(), tray);
    }
}

TEST_F(CTrayTest, ALanguageMenuWithoutAnAnchorYieldsToTheProgramsOwn)
{
    ASSERT_EQ(CResModule::LoadLanguage(L"QLTRAYLANG.DLL"), 1);
    CLogCapture log;
    SMenuOptions options;
    options.trayMode = true;
    const bool prepared = PrepareMainMenus(options);
    CResModule::FreeLanguage();
    ASSERT_TRUE(prepared);
    EXPECT_EQ(ItemText(GetTrayMenu(), 0), L"&New Note");
    EXPECT_NE(PositionOf(GetTrayMenu(), ID_TOGGLE_TOOLBAR), -1);
    EXPECT_TRUE(log.Contains(L"Menu 5000 lacks command 212, using the program's own"));
}

TEST_F(CTrayTest, DestroyingTheMainWindowDeletesTheIconAndLeavesTheMenuObjectsWithoutMenus)
{
    EXPECT_NE(g_noteMenu.GetMenu(), nullptr);
    DestroyWindow(m_window);
    EXPECT_EQ(g_noteMenu.GetMenu(), nullptr);
    EXPECT_EQ(g_trayMenu.GetMenu(), nullptr);
    EXPECT_EQ(GetTrayMenu(), nullptr);
    EXPECT_EQ(GetTrayIcon(kTrayIconNormal), nullptr);
    EXPECT_EQ(TrayOperations(), std::vector<DWORD>{NIM_DELETE});
}

// ---- commands

TEST_F(CTrayTest, SaveAllStoresModifiedNotes)
{
    CNote* note = m_manager.AddNote(std::make_unique<CNote>());
    ASSERT_TRUE(m_manager.StoreNote(note));
    ASSERT_TRUE(note->CreateBareWindow());
    m_manager.AddWindow(note);
    note->Row().name = L"Saved by 212";
    note->SetModified(true);
    Command(ID_SAVE_ALL);
    EXPECT_FALSE(note->IsModified());
    CppSQLite3Query row =
        m_manager.GetDB()->execQuery((L"SELECT name FROM notes WHERE id=" + std::to_wstring(note->GetId())).c_str());
    EXPECT_EQ(std::string(row.getStringField(0)), "Saved by 212");
}

TEST_F(CTrayTest, TheEndOfTheSessionSavesWhatShutDownSaves)
{
    const std::wstring settings = m_dir.File(L"RERUZADU.INI");
    const std::wstring lists = m_dir.File(L"ALIAS.INI");
    g_prefs.AutoSave = true;
    g_prefs.HideToolbar = false;
    g_prefs.ShowTrayBubble = true;
    ASSERT_TRUE(g_prefs.Save());
    ASSERT_EQ(NetLists().LoadNetSends(lists.c_str()), 1);
    CNote* note = m_manager.AddNote(std::make_unique<CNote>());
    ASSERT_TRUE(m_manager.StoreNote(note));
    ASSERT_TRUE(note->CreateBareWindow());
    m_manager.AddWindow(note);
    Command(ID_TOGGLE_TOOLBAR);
    ASSERT_TRUE(g_prefs.HideToolbar);
    PumpPosted();
    note->Row().name = L"Saved at log-off";
    note->SetModified(true);
    g_prefs.ShowTrayBubble = false;   // as the welcome balloon leaves it
    ASSERT_TRUE(NetLists().AddAlias(L"10.0.0.7", L"\u4E2D\u6587", kFromPeer));
    SendMessageW(m_window, WM_ENDSESSION, FALSE, 0);   // the session goes on
    EXPECT_EQ(GetPrivateProfileIntW(L"Preferences", L"HideToolbar", -1, settings.c_str()), 0);
    EXPECT_TRUE(note->IsModified());

    EXPECT_EQ(SendMessageW(m_window, WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(m_window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(GetPrivateProfileIntW(L"Preferences", L"HideToolbar", -1, settings.c_str()), 1);
    EXPECT_EQ(GetPrivateProfileIntW(L"Preferences", L"ShowTrayBubble", -1, settings.c_str()), 0);
    EXPECT_FALSE(note->IsModified());
    CppSQLite3Query row =
        m_manager.GetDB()->execQuery((L"SELECT name FROM notes WHERE id=" + std::to_wstring(note->GetId())).c_str());
    EXPECT_EQ(std::string(row.getStringField(0)), "Saved at log-off");
    CNetLists stored;
    ASSERT_EQ(stored.LoadNetSends(lists.c_str()), 1);
    EXPECT_EQ(stored.LookupAlias(L"\u4E2D\u6587"), L"10.0.0.7");
}

TEST_F(CTrayTest, AlwaysOnTopTogglesTheSettingItsMarkAndTheSettingsFile)
{
    g_prefs.AlwaysOnTop = false;
    g_prefs.AnimationSpeed = 3;
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    for (const bool expected : {true, false}) {
        Command(ID_ALWAYS_ON_TOP);
        EXPECT_EQ(g_prefs.AlwaysOnTop, expected);
        // Only the way up: Wine keeps some owned windows topmost once they
        // were (the manager's own test takes both ways on unowned windows).
        if (expected) {
            EXPECT_NE(GetWindowLongW(note->GetHwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        }
        EXPECT_EQ((GetMenuState(GetTrayMenu(), ID_ALWAYS_ON_TOP, MF_BYCOMMAND) & MF_CHECKED) != 0, expected);
        EXPECT_EQ(GetPrivateProfileIntW(L"Preferences", L"AlwaysOnTop", -1, m_dir.File(L"RERUZADU.INI").c_str()),
                  expected ? 1 : 0);
    }
}

TEST_F(CTrayTest, ShowHideAllShowsWhenNoNoteIsShownAndRelabels)
{
    Command(ID_SHOW_HIDE_ALL);
    EXPECT_EQ(GetMenuItemText(GetTrayMenu(), ID_SHOW_HIDE_ALL), L"Hide All");

    g_prefs.AnimationSpeed = 3;
    const std::vector<CNote*> notes = {m_manager.CreateNewNote(), m_manager.CreateNewNote()};
    ASSERT_TRUE(notes[0] && notes[1]);
    for (const bool shown : {false, true}) {
        Command(ID_SHOW_HIDE_ALL);
        EXPECT_EQ(GetMenuItemText(GetTrayMenu(), ID_SHOW_HIDE_ALL), shown ? L"Hide All" : L"Show All");
        for (const CNote* note : notes) {
            EXPECT_EQ(IsWindowVisible(note->GetHwnd()) != FALSE, shown);
            EXPECT_TRUE(note->IsVisible()) << "still shown in its row";
        }
    }
}

TEST_F(CTrayTest, HidingAndShowingTheBarFlipsItsLabelAndSetting)
{
    Command(ID_TOGGLE_TOOLBAR);
    EXPECT_FALSE(IsWindowVisible(m_window));
    EXPECT_TRUE(g_prefs.HideToolbar);
    EXPECT_EQ(GetMenuItemText(GetTrayMenu(), ID_TOGGLE_TOOLBAR), L"Show Toolbar");
    Command(ID_TOGGLE_TOOLBAR);
    EXPECT_TRUE(IsWindowVisible(m_window));
    EXPECT_FALSE(g_prefs.HideToolbar);
    EXPECT_EQ(GetMenuItemText(GetTrayMenu(), ID_TOGGLE_TOOLBAR), L"Hide Toolbar");
}

TEST_F(CTrayTest, AMinimisedBarComesBackRestoredWithTheParent)
{
    g_prefs.HideToolbar = false;
    g_prefs.AnimationSpeed = 3;
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    Command(ID_MINIMIZE);
    PumpPosted();
    EXPECT_TRUE(IsIconic(m_parent));
    EXPECT_FALSE(IsWindowVisible(m_window));
    EXPECT_FALSE(IsWindowVisible(note->GetHwnd()));
    EXPECT_TRUE(note->IsVisible());
    g_trayCalls.clear();
    ShowWindow(m_parent, SW_RESTORE);
    PumpPosted();
    EXPECT_TRUE(IsWindowVisible(note->GetHwnd()));
    EXPECT_TRUE(IsWindowVisible(m_window));
    EXPECT_FALSE(IsIconic(m_window));
    EXPECT_EQ(TrayOperations(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION, NIM_MODIFY}));
}

POINT g_menuPoint;

BOOL RecordMenuPoint(HMENU, UINT, int x, int y, HWND, const RECT*)
{
    g_menuPoint = {x, y};
    return TRUE;
}

TEST_F(CTrayTest, TheToolbarMenuOpensAtTheBarsCorner)
{
    CSeamOverride<SPopupMenuSeam> menus(g_popupMenuSeam, {&RecordMenuPoint});
    Command(ID_MAIN_MENU);
    POINT expected = {8, 8};
    ClientToScreen(m_window, &expected);
    EXPECT_EQ(g_menuPoint.x, expected.x);
    EXPECT_EQ(g_menuPoint.y, expected.y);
}

TEST_F(CTrayTest, ResumingFromSuspendForgetsTheNextAlarm)
{
    g_prefs.AnimationSpeed = 3;
    g_prefs.AlwaysOnTop = false;
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    // A window that came over the note while the machine slept.
    const HWND cover = RaisedCoverWindow(L"NoteWClass");
    ASSERT_NE(cover, nullptr);
    ASSERT_TRUE(IsAbove(cover, note->GetHwnd()));
    CLogCapture log;
    EXPECT_EQ(SendMessageW(m_window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0), TRUE);
    EXPECT_EQ(m_manager.GetCachedNextAlarm().m_dt, -1.0);
    EXPECT_TRUE(log.Contains(L"Refreshing from suspend"));
    EXPECT_TRUE(IsAbove(note->GetHwnd(), cover));
    DestroyWindow(cover);
}

int g_saveDialogs = 0;
HWND g_exportWindow = nullptr;

BOOL CancelAfterAnotherExport(OPENFILENAMEW*)
{
    ++g_saveDialogs;
    SendMessageW(g_exportWindow, WM_COMMAND, ID_EXPORT_ALL, 0);
    return FALSE;
}

TEST_F(CTrayTest, ExportAllCancelledWritesNothingAndNeverStacksASecondDialog)
{
    g_saveDialogs = 0;
    g_exportWindow = m_window;
    CScriptedMessageBox boxes;
    CSeamOverride<SCommonDialogSeam> dialogs(g_commonDialogSeam,
                                             {nullptr, &CancelAfterAnotherExport, nullptr, nullptr, nullptr});
    Command(ID_EXPORT_ALL);
    EXPECT_EQ(g_saveDialogs, 1);
    EXPECT_TRUE(boxes.ShownTexts().empty());
    Command(ID_EXPORT_ALL);
    EXPECT_EQ(g_saveDialogs, 2);
}

}  // namespace
