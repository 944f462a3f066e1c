// The note organizer: sorting by the records, refills that survive a failed
// read, the display listener, the commands over a selection, drops on the
// group list, the note menu of a row, and its settings and layout.
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <ole2.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dialogs/FindDlg.h"
#include "dialogs/ShowHideDlg.h"
#include "foundation/AppWindow.h"
#include "foundation/Preferences.h"
#include "framework/AppModule.h"
#include "framework/EditCommands.h"
#include "framework/GlobalMemory.h"
#include "framework/MenuHandle.h"
#include "framework/UiSeams.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notewindows/NoteCommandIds.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"
#include "tests/notestore/WindowedStoreTest.h"
#include "tests/support/CommandRecorder.h"
#include "tests/support/ScopedUiScript.h"

namespace {

// ---------------------------------------------------------------- sorting

CNoteDisplayInfo Record(std::int64_t id, const wchar_t* name, std::int64_t group, bool visible, std::uint32_t alarm,
                        double created, double updated, double due, const wchar_t* attached)
{
    CNoteDisplayInfo record;
    record.id = id;
    record.name = name;
    record.group = group;
    record.visible = visible;
    record.alarmFlags = alarm;
    record.creationDate = COleDateTime(created);
    record.lastUpdateDate = COleDateTime(updated);
    record.calculatedDate = COleDateTime(due);
    record.attachedTitle = attached;
    return record;
}

// The ids in the order the records sort to.
std::vector<std::int64_t> SortedIds(std::vector<CNoteDisplayInfo> records, int column, int ascending)
{
    std::stable_sort(records.begin(), records.end(), [&](const CNoteDisplayInfo& a, const CNoteDisplayInfo& b) {
        return CompareDisplayRecords(a, b, column, ascending) < 0;
    });
    std::vector<std::int64_t> ids;
    for (const CNoteDisplayInfo& record : records)
        ids.push_back(record.id);
    return ids;
}

TEST(OrganizerSorting, EachColumnBothWays)
{
    // Record 4 was deleted (id -1): it still sorts by what its record holds.
    const std::vector<CNoteDisplayInfo> records = {
        Record(1, L"beta", 2, true, 0x01, 45000, 45010, 45020, L"Editor"),
        Record(2, L"Alpha", 0, false, 0x00, 0, 45005, 0, L""),
        Record(3, L"gamma", 5, false, 0x01, 45001, 45005, 45030, L"browser"),
        Record(-1, L"ALPHA", 2, true, 0x04, 44999, 0, 45010, L"editor"),
    };
    const struct {
        int column;
        std::vector<std::int64_t> ascending;  // flag 1; flag 0 is the reverse for distinct keys
    } rows[] = {
        {kColumnGroup, {3, 1, -1, 2}},        // larger group ids first
        {kColumnStatus, {2, -1, 3, 1}},       // images 6, 5, 4, 3: larger first
        {kColumnTitle, {2, -1, 1, 3}},        // ignoring case; equal titles keep their order
        {kColumnAlarm, {2, -1, 1, 3}},        // a zero date first
        {kColumnCreated, {2, -1, 1, 3}},
        {kColumnUpdated, {-1, 2, 3, 1}},
        {kColumnAttached, {2, 3, 1, -1}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SortedIds(records, row.column, 1), row.ascending) << "column " << row.column;
        std::vector<std::int64_t> descending = SortedIds(records, row.column, 0);
        for (size_t i = 0; i < records.size(); ++i)
            for (size_t j = 0; j < records.size(); ++j)
                EXPECT_EQ(CompareDisplayRecords(records[i], records[j], row.column, 0),
                          -CompareDisplayRecords(records[i], records[j], row.column, 1))
                    << "column " << row.column;
    }
    EXPECT_EQ(CompareDisplayRecords(records[0], records[1], 7, 1), 0) << "no such column";
    EXPECT_EQ(CompareDisplayRecords(records[1], records[3], kColumnTitle, 1), 0) << "equal keys";
}

// ---------------------------------------------------------------- the window

// Counts the full list queries the connection runs.
int CountListQueries(unsigned, void* context, void* statement, void*)
{
    const char* const sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    if (sql && std::string(sql).rfind("select * from notes", 0) == 0)
        ++*static_cast<int*>(context);
    return 0;
}

int InterruptAfter(void* context)
{
    int& left = *static_cast<int*>(context);
    return left-- <= 0 ? 1 : 0;
}

// Popup menus answered by the test, recording the owner.
struct SMenuRecord {
    int calls = 0;
    HWND owner = nullptr;
    UINT flags = 0;
    UINT answer = 0;
    std::function<void()> during;
};
SMenuRecord g_menu;

BOOL RecordMenu(HMENU, UINT flags, int, int, HWND owner, const RECT*)
{
    ++g_menu.calls;
    g_menu.owner = owner;
    g_menu.flags = flags;
    if (g_menu.during)
        g_menu.during();
    return static_cast<BOOL>(g_menu.answer);
}

class OrganizerTest : public CWindowedStoreTest {
protected:
    void SetUp() override
    {
        CWindowedStoreTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        g_prefs.DefaultColor = RGB(0x11, 0x22, 0x33);
        SetNoteFrameMenu(m_noteMenu.Get());
    }
    void TearDown() override
    {
        if (GetNoteOrganizer())
            ToggleNoteOrganizer();
        SetNoteFrameMenu(nullptr);
        CWindowedStoreTest::TearDown();
        OleUninitialize();
    }

    CShowHideDlg& Open()
    {
        if (!GetNoteOrganizer())
            ToggleNoteOrganizer();
        CShowHideDlg* const organizer = GetNoteOrganizer();
        if (!organizer)
            throw std::runtime_error("the organizer did not open");
        return *organizer;
    }

    // A stored note, hidden unless shown, in the group.
    std::int64_t Note(const wchar_t* text, std::int64_t group = kNoGroup, bool shown = false)
    {
        CNote* note = m_manager.CreateNewNote();
        if (!note)
            throw std::runtime_error("no note window");
        Type(*note, text);
        note->SetGroupId(group);
        if (!(shown ? m_manager.StoreNote(note) : note->HideSticky(false)))
            throw std::runtime_error("the test note was not stored");
        return note->GetId();
    }

    // A stored note that never had a window.
    std::int64_t WindowlessNote(const wchar_t* text, std::int64_t group)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        note->Row().group = group;
        if (!m_manager.StoreNote(note))
            throw std::runtime_error("the test note was not stored");
        return note->GetId();
    }

    CGroup* Group(const wchar_t* name, COLORREF color) { return CGroups::AddGroup(-1, name, color); }

    // The note ids of the rows in row order.
    std::vector<std::int64_t> RowIds(const CShowHideDlg& organizer)
    {
        std::vector<std::int64_t> ids;
        const HWND list = organizer.ListWindow();
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            LVITEMW item = {};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            ListView_GetItem(list, &item);
            ids.push_back(organizer.Rows().at(item.lParam).id);
        }
        return ids;
    }

    int RowOf(const CShowHideDlg& organizer, std::int64_t id)
    {
        const std::vector<std::int64_t> ids = RowIds(organizer);
        const auto found = std::find(ids.begin(), ids.end(), id);
        return found == ids.end() ? -1 : static_cast<int>(found - ids.begin());
    }

    void Select(const CShowHideDlg& organizer, const std::vector<std::int64_t>& ids)
    {
        const HWND list = organizer.ListWindow();
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (const std::int64_t id : ids)
            ListView_SetItemState(list, RowOf(organizer, id), LVIS_SELECTED, LVIS_SELECTED);
    }

    std::set<std::int64_t> SelectedIds(const CShowHideDlg& organizer)
    {
        std::set<std::int64_t> ids;
        const std::vector<std::int64_t> rows = RowIds(organizer);
        for (int row = ListView_GetNextItem(organizer.ListWindow(), -1, LVNI_SELECTED); row >= 0;
             row = ListView_GetNextItem(organizer.ListWindow(), row, LVNI_SELECTED))
            ids.insert(rows[row]);
        return ids;
    }

    void Command(const CShowHideDlg& organizer, int id)
    {
        SendMessageW(organizer.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }

    void ShowGroup(const CShowHideDlg& organizer, int position)
    {
        ListBox_SetCurSel(organizer.GroupListWindow(), position);
        SendMessageW(organizer.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_ORGANIZER_GROUPS, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(organizer.GroupListWindow()));
    }

    std::int64_t Stored(const wchar_t* column, std::int64_t id)
    {
        return Scalar((std::wstring(L"select `") + column + L"` from notes where id=" + std::to_wstring(id)).c_str());
    }

    std::wstring CellText(const CShowHideDlg& organizer, int row, int column)
    {
        wchar_t text[256] = {};
        ListView_GetItemText(organizer.ListWindow(), row, column, text, 256);
        return text;
    }

    int StatusImage(const CShowHideDlg& organizer, int row)
    {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = kColumnStatus;
        ListView_GetItem(organizer.ListWindow(), &item);
        return item.iImage;
    }

    // A header click as Wine sends it: the list's own notification, then the header's.
    void ClickHeader(const CShowHideDlg& organizer, int column)
    {
        NMLISTVIEW listClick = {};
        listClick.hdr = {organizer.ListWindow(), IDC_ORGANIZER_LIST, LVN_COLUMNCLICK};
        listClick.iSubItem = column;
        SendMessageW(organizer.GetHwnd(), WM_NOTIFY, IDC_ORGANIZER_LIST, reinterpret_cast<LPARAM>(&listClick));
        NMHEADERW headerClick = {};
        headerClick.hdr = {ListView_GetHeader(organizer.ListWindow()), 0, HDN_ITEMCLICKW};
        headerClick.iItem = column;
        SendMessageW(organizer.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&headerClick));
    }

    // Counts full list queries while the action runs and the messages it posted are pumped.
    template <class Action>
    int FullQueries(Action action)
    {
        int count = 0;
        sqlite3_trace_v2(DB().handle(), SQLITE_TRACE_STMT, CountListQueries, &count);
        action();
        PumpMessagesFor(50);
        sqlite3_trace_v2(DB().handle(), 0, nullptr, nullptr);
        return count;
    }

    CModalWatchdog m_watchdog{60000};
    CMenuHandle m_noteMenu{CreatePopupMenu()};
};

TEST_F(OrganizerTest, HeaderClicksSortOnceAndANewColumnStartsReversed)
{
    const std::int64_t b = Note(L"beta");
    const std::int64_t a = Note(L"alpha");
    const std::int64_t c = Note(L"gamma");
    CShowHideDlg& organizer = Open();
    ASSERT_EQ(organizer.SortColumn(), kColumnTitle);
    EXPECT_EQ(RowIds(organizer), (std::vector<std::int64_t>{a, b, c}));

    ClickHeader(organizer, kColumnTitle);
    EXPECT_EQ(organizer.SortAscending(), 0) << "one flip for both notifications";
    EXPECT_EQ(RowIds(organizer), (std::vector<std::int64_t>{c, b, a}));
    ClickHeader(organizer, kColumnTitle);
    EXPECT_EQ(RowIds(organizer), (std::vector<std::int64_t>{a, b, c}));

    ClickHeader(organizer, kColumnCreated);
    EXPECT_EQ(organizer.SortColumn(), kColumnCreated);
    EXPECT_EQ(organizer.SortAscending(), 0);
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(organizer.ListWindow()), kColumnCreated, &item);
    EXPECT_TRUE(item.fmt & HDF_BITMAP_ON_RIGHT);
    Header_GetItem(ListView_GetHeader(organizer.ListWindow()), kColumnTitle, &item);
    EXPECT_FALSE(item.fmt & HDF_BITMAP) << "the old column loses its mark";
}

TEST_F(OrganizerTest, ARefillKeepsTheSelectionAndAFailedReadChangesNothing)
{
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 30; ++i)
        ids.push_back(Note((L"note " + std::to_wstring(100 + i)).c_str()));
    CShowHideDlg& organizer = Open();
    Select(organizer, {ids[3], ids[27]});
    Note(L"note 000");   // a new first row moves the others down
    organizer.Refresh();
    EXPECT_EQ(SelectedIds(organizer), (std::set<std::int64_t>{ids[3], ids[27]}));
    ASSERT_EQ(ListView_GetItemCount(organizer.ListWindow()), 31);

    // At once, and after some rows were read: rows, records and targets stay.
    for (const int rowsRead : {0, 400}) {
        const std::vector<std::int64_t> before = RowIds(organizer);
        const size_t records = organizer.Rows().size();
        Note(L"note 999");
        int left = rowsRead;
        sqlite3_progress_handler(DB().handle(), 1, InterruptAfter, &left);
        organizer.Refresh();
        sqlite3_progress_handler(DB().handle(), 0, nullptr, nullptr);
        EXPECT_EQ(RowIds(organizer), before) << rowsRead;
        EXPECT_EQ(organizer.Rows().size(), records) << rowsRead;
        EXPECT_EQ(SelectedIds(organizer), (std::set<std::int64_t>{ids[3], ids[27]})) << rowsRead;
    }
    ScopedUiScript script;
    script.AnswerMessageBox(IDYES);
    Command(organizer, IDC_ORGANIZER_DELETE);
    EXPECT_EQ(m_manager.GetNote(ids[3]), nullptr);
    EXPECT_EQ(m_manager.GetNote(ids[27]), nullptr);
    EXPECT_NE(m_manager.GetNote(ids[4]), nullptr);
}

TEST_F(OrganizerTest, TheListenerUpdatesRowsInPlaceAndCoalescesRefills)
{
    CGroup* const work = Group(L"Work", RGB(200, 0, 0));
    const std::int64_t listed = Note(L"listed");
    std::vector<std::int64_t> unlisted;
    for (int i = 0; i < 200; ++i)
        unlisted.push_back(WindowlessNote(L"elsewhere", work->GetId()));
    CShowHideDlg& organizer = Open();
    ASSERT_EQ(RowIds(organizer), std::vector<std::int64_t>{listed});

    EXPECT_EQ(FullQueries([&] { m_manager.GetNote(listed)->ShowSticky(); }), 0) << "shown in place";
    EXPECT_EQ(StatusImage(organizer, 0), 5);
    EXPECT_EQ(FullQueries([&] { m_manager.GetNote(listed)->HideSticky(false); }), 0) << "hidden in place";
    EXPECT_EQ(StatusImage(organizer, 0), 6);

    // Every note changed elsewhere: one refill, once the events are over.
    EXPECT_EQ(FullQueries([&] {
                  for (const std::int64_t id : unlisted)
                      m_manager.GetNote(id)->SetModified(true);
                  m_manager.SaveModifiedNotes();
              }),
              1);
    EXPECT_EQ(FullQueries([&] {
                  for (const std::int64_t id : unlisted)
                      m_manager.NotifyDisplay(m_manager.GetNote(id), CNoteManager::eNoteShown);
              }),
              1);

    // A hidden note's menu frame is no change of the note.
    CNote* const menuNote = m_manager.GetNote(unlisted[0]);
    ASSERT_TRUE(menuNote->CreateBareWindow());
    EXPECT_EQ(FullQueries([&] { m_manager.NotifyDisplay(menuNote, CNoteManager::eNoteChanged); }), 0);
    menuNote->DestroyNoteWindow(true);

    ASSERT_TRUE(m_manager.GetNote(listed)->Delete());
    EXPECT_EQ(ListView_GetItemCount(organizer.ListWindow()), 0);
    EXPECT_EQ(organizer.Rows().at(0).id, -1);

    ToggleNoteOrganizer();
    EXPECT_EQ(GetNoteOrganizer(), nullptr);
    EXPECT_EQ(g_appModule.GetShowHideDlg(), nullptr);
    EXPECT_EQ(FullQueries([&] { m_manager.GetNote(unlisted[1])->ShowSticky(); }), 0) << "closed: not listening";
}

TEST_F(OrganizerTest, CommandsOverTheSelection)
{
    const std::int64_t hidden = Note(L"hidden");
    const std::int64_t shown = Note(L"shown", kNoGroup, true);
    const std::int64_t alarmed = Note(L"alarmed");
    {
        CNote* note = m_manager.GetNote(alarmed);
        note->Alarm().alarmDate = COleDateTime(COleDateTime::Now().m_dt + 1);
        note->Alarm().flags = kAlarmSet | kAlarmActive;
        note->SetModified(true);
        ASSERT_TRUE(m_manager.StoreNote(note));
    }
    CShowHideDlg& organizer = Open();

    Select(organizer, {hidden, shown});
    Command(organizer, IDC_ORGANIZER_SHOW_HIDE);
    EXPECT_TRUE(m_manager.GetNote(hidden)->IsVisible());
    EXPECT_FALSE(m_manager.GetNote(shown)->IsVisible());
    EXPECT_EQ(Stored(L"visible", hidden), 1);
    EXPECT_EQ(Stored(L"visible", shown), 0);

    // The toggle is stored, not only made in memory.
    const std::int64_t flagsBefore = Stored(L"alarm_alarmflags", alarmed);
    Select(organizer, {alarmed, hidden});
    {
        // The note that never had an alarm gets the alarm dialog.
        ScopedUiScript script;
        int alarmDialogs = 0;
        script.HandleModal(IDD_ALARM, [&alarmDialogs](const SModalRun&) {
            ++alarmDialogs;
            return static_cast<INT_PTR>(IDCANCEL);
        });
        Command(organizer, IDC_ORGANIZER_TOGGLE_ALARM);
        EXPECT_EQ(alarmDialogs, 1);
    }
    EXPECT_EQ(Stored(L"alarm_alarmflags", alarmed), flagsBefore & ~kAlarmActive);
    EXPECT_EQ(SelectedIds(organizer), (std::set<std::int64_t>{alarmed, hidden}));
    EXPECT_FALSE(m_manager.GetNote(alarmed)->IsModified());

    // Delete: No keeps all; a note deleted elsewhere goes from the rows and the targets.
    Select(organizer, {hidden, alarmed});
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDNO);
        Command(organizer, IDC_ORGANIZER_DELETE);
    }
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 3);
    ASSERT_TRUE(m_manager.GetNote(hidden)->Delete());
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDYES);
        Command(organizer, IDC_ORGANIZER_DELETE);
        EXPECT_EQ(script.MessageBoxTexts().size(), 1u);
    }
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 1);

    // The Delete key posts one delete.
    Select(organizer, {shown});
    NMLVKEYDOWN key = {};
    key.hdr = {organizer.ListWindow(), IDC_ORGANIZER_LIST, LVN_KEYDOWN};
    key.wVKey = VK_DELETE;
    SendMessageW(organizer.GetHwnd(), WM_NOTIFY, IDC_ORGANIZER_LIST, reinterpret_cast<LPARAM>(&key));
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDYES);
        PumpMessagesFor(50);
        EXPECT_EQ(script.MessageBoxTexts().size(), 1u);
    }
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 0);
}

TEST_F(OrganizerTest, ALockedNoteIsDeletedOnlyWithItsPassword)
{
    const std::int64_t locked = Note(L"secret");
    CNote* note = m_manager.GetNote(locked);
    note->SetPassword(L"pw");
    note->HideText();
    CShowHideDlg& organizer = Open();
    for (const bool accepted : {false, true}) {
        Select(organizer, {locked});
        ScopedUiScript script;
        script.AnswerMessageBox(IDYES);
        script.AnswerModal(IDD_UNLOCK_NOTE, accepted ? IDOK : IDCANCEL);
        Command(organizer, IDC_ORGANIZER_DELETE);
        EXPECT_EQ(Scalar(L"select count(*) from notes"), accepted ? 0 : 1);
        if (!accepted) {
            const CNote* kept = m_manager.GetNote(locked);
            ASSERT_NE(kept, nullptr);
            EXPECT_EQ(kept->GetHwnd(), nullptr) << "the frame it asked through is gone";
            EXPECT_FALSE(kept->IsVisible());
        }
    }
}

TEST_F(OrganizerTest, PreferencesAndNewNoteGoToTheMainWindow)
{
    const CCommandRecorder main;
    const HWND savedApp = g_hwndApp;
    g_hwndApp = main.Window();
    CShowHideDlg& organizer = Open();
    Command(organizer, IDC_ORGANIZER_PREFERENCES);
    EXPECT_EQ(main.Commands(), std::vector<UINT>{ID_PREFERENCES}) << "sent";
    Command(organizer, IDC_ORGANIZER_NEW_NOTE);
    PumpMessagesFor(20);
    EXPECT_EQ(main.Commands(), (std::vector<UINT>{ID_PREFERENCES, ID_NEW_NOTE}));
    g_hwndApp = savedApp;
}

TEST_F(OrganizerTest, WithoutADatabaseTheCommandsChangeNothing)
{
    const std::int64_t id = Note(L"kept");
    CShowHideDlg& organizer = Open();
    Select(organizer, {id});
    m_manager.CloseAll();
    m_manager.SetDatabasePath(m_dir.File(L"missing\\QUILLT40.DAT").c_str());
    ScopedUiScript script;   // nothing may be asked
    for (const int command : {IDC_ORGANIZER_SHOW_HIDE, IDC_ORGANIZER_TOGGLE_ALARM, IDC_ORGANIZER_DELETE})
        Command(organizer, command);
    organizer.Refresh();
    EXPECT_EQ(RowIds(organizer), std::vector<std::int64_t>{id});
    EXPECT_TRUE(script.Calls().empty());
}

// ---------------------------------------------------------------- drops

class OrganizerDropTest : public OrganizerTest {
protected:
    // Drops the notes' GUIDs (and extra bytes) at the middle of list item
    // position, or below the last item, or with no drag point at all.
    enum EWhere { kOnItem, kBelowLast, kNoPoint };
    void Drop(CShowHideDlg& organizer, const std::vector<std::int64_t>& ids, EWhere where, int position,
              size_t extraBytes = 0, bool unknownGuid = false)
    {
        std::vector<GUID> guids;
        for (const std::int64_t id : ids)
            guids.push_back(m_manager.GetNote(id)->GetGuid());
        if (unknownGuid)
            guids.push_back(GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}});
        const size_t bytes = guids.size() * sizeof(GUID) + extraBytes;
        CGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
        auto* const data = static_cast<BYTE*>(GlobalLock(block.Get()));
        memcpy(data, guids.data(), guids.size() * sizeof(GUID));
        GlobalUnlock(block.Get());

        CGroupListDropTarget& target = *organizer.DropTarget();
        const HWND groups = organizer.GroupListWindow();
        if (where != kNoPoint) {
            RECT item = {};
            const int count = ListBox_GetCount(groups);
            ListBox_GetItemRect(groups, where == kBelowLast ? count - 1 : position, &item);
            POINT point = {item.left + 5, where == kBelowLast ? item.bottom + 10 : (item.top + item.bottom) / 2};
            ClientToScreen(groups, &point);
            target.TrackDragPoint(POINTL{point.x, point.y});
        }
        FORMATETC format = NoteDragFormatEtc();
        STGMEDIUM medium = {};
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = block.Get();
        DWORD effect = DROPEFFECT_MOVE;
        EXPECT_TRUE(target.HandleDrop(format, medium, &effect));
    }
};

TEST_F(OrganizerDropTest, DroppedNotesJoinTheGroupUnderTheLastDragPoint)
{
    CGroup* const home = Group(L"Home", RGB(0, 200, 0));
    CGroup* const work = Group(L"Work", RGB(0, 0, 200));
    const std::int64_t homeId = home->GetId();
    const std::int64_t workId = work->GetId();
    const COLORREF workColor = work->GetColor();
    const struct {
        EWhere where;
        int position;
        size_t extra;
        std::int64_t group;     // -2: unchanged
        COLORREF color;
    } cases[] = {
        {kOnItem, 2, 7, workId, workColor},                     // a partial record after the GUIDs
        {kOnItem, 0, 0, kNoGroup, g_prefs.DefaultColor},        // "<No group assigned>"
        {kOnItem, 2, 16, workId, workColor},                    // a zero GUID after them
        {kOnItem, 3, 0, kNoGroup, g_prefs.DefaultColor},        // "<Display all notes>"
        {kBelowLast, 0, 0, -2, 0},
        {kNoPoint, 0, 0, -2, 0},
    };
    const std::int64_t first = Note(L"first", homeId);
    const std::int64_t second = Note(L"second", kNoGroup, true);
    CShowHideDlg& organizer = Open();
    ShowGroup(organizer, 3);   // every note
    for (const auto& c : cases) {
        const std::int64_t groupBefore = Stored(L"group", first);
        Drop(organizer, {first, second}, c.where, c.position, c.extra, true);
        for (const std::int64_t id : {first, second}) {
            EXPECT_EQ(Stored(L"group", id), c.group == -2 ? groupBefore : c.group) << c.position << " " << c.where;
            if (c.group != -2) {
                EXPECT_EQ(static_cast<COLORREF>(Stored(L"color", id)) & 0xFFFFFF, c.color) << c.position;
            }
            EXPECT_FALSE(m_manager.GetNote(id)->IsModified());
        }
        EXPECT_EQ(ListBox_GetCurSel(organizer.GroupListWindow()), 3) << "the selection comes back";
    }
}

TEST_F(OrganizerDropTest, ANoteThatCannotBeStoredLeavesTheOthersMoved)
{
    CGroup* const work = Group(L"Work", RGB(0, 0, 200));
    const std::int64_t workId = work->GetId();
    const std::int64_t a = Note(L"a");
    const std::int64_t refused = Note(L"refused");
    const std::int64_t c = Note(L"c");
    for (const wchar_t* event : {L"update", L"insert"})
        DB().execDML((std::wstring(L"create trigger refuse_") + event + L" before " + event +
                      L" on notes when new.id=" + std::to_wstring(refused) +
                      L" begin select raise(abort, 'refused'); end;")
                         .c_str());
    CShowHideDlg& organizer = Open();
    Drop(organizer, {a, refused, c}, kOnItem, 1);
    EXPECT_EQ(Stored(L"group", a), workId);
    EXPECT_EQ(Stored(L"group", c), workId);
    EXPECT_EQ(Stored(L"group", refused), kNoGroup);
    EXPECT_TRUE(m_manager.GetNote(refused)->IsModified()) << "kept for the next save";
}

// ---------------------------------------------------------------- the note menu

TEST_F(OrganizerTest, TheNoteMenuOfARow)
{
    const std::int64_t shown = Note(L"shown", kNoGroup, true);
    const std::int64_t hidden = Note(L"hidden");
    AppendMenuW(m_noteMenu.Get(), MF_STRING, ID_PRINT_NOTE, L"Print");
    CShowHideDlg& organizer = Open();
    CSeamOverride<SPopupMenuSeam> seam{g_popupMenuSeam, {RecordMenu}};
    const auto rightClick = [&](std::int64_t id) {
        NMITEMACTIVATE click = {};
        click.hdr = {organizer.ListWindow(), IDC_ORGANIZER_LIST, NM_RCLICK};
        click.iItem = RowOf(organizer, id);
        SendMessageW(organizer.GetHwnd(), WM_NOTIFY, IDC_ORGANIZER_LIST, reinterpret_cast<LPARAM>(&click));
    };
    const auto printState = [&] { return GetMenuState(m_noteMenu.Get(), ID_PRINT_NOTE, MF_BYCOMMAND) & MF_GRAYED; };

    g_menu = {};
    rightClick(shown);
    EXPECT_EQ(g_menu.owner, m_manager.GetNote(shown)->GetHwnd());
    EXPECT_FALSE(g_menu.flags & TPM_RETURNCMD);
    EXPECT_EQ(printState(), 0u);

    // Dismissed: hidden, unloaded, windowless.
    g_menu = {};
    rightClick(hidden);
    EXPECT_EQ(g_menu.calls, 1);
    EXPECT_TRUE(g_menu.flags & TPM_RETURNCMD);
    EXPECT_NE(printState(), 0u);
    EXPECT_EQ(m_manager.GetCachedNoteCount(), 1) << "only the shown note stays loaded";
    EXPECT_EQ(Stored(L"visible", hidden), 0);

    // A chosen command reaches the frame.
    std::vector<UINT> commands;
    g_menu = {};
    g_menu.answer = ID_PRINT_NOTE;
    g_menu.during = [&] { CCommandRecorder::Subclass(g_menu.owner, commands); };
    rightClick(hidden);
    EXPECT_EQ(commands, std::vector<UINT>{ID_PRINT_NOTE});

    // The note freed while the menu tracks is not touched.
    g_menu = {};
    g_menu.during = [&] { m_manager.GetNote(hidden)->Delete(); };
    rightClick(hidden);
    EXPECT_EQ(m_manager.GetNote(hidden), nullptr);
}

// ---------------------------------------------------------------- settings and layout

TEST_F(OrganizerTest, SettingsRoundTripAndAVanishedGroupShowsNotesWithoutOne)
{
    const wchar_t* const ini = g_prefs.IniPath();
    CGroup* const work = Group(L"Work", RGB(0, 0, 200));
    const std::int64_t workId = work->GetId();
    // A filter past 32 bits comes back whole.
    DB().execDML((L"update groups set id=5000000000 where id=" + std::to_wstring(workId)).c_str());
    CGroups::Clear();
    const std::int64_t big = 5000000000LL;
    const std::int64_t member = Note(L"member", big);
    const std::int64_t loose = Note(L"loose");

    CShowHideDlg& organizer = Open();
    EXPECT_EQ(organizer.GroupFilter(), kNoGroup) << "no GroupDisplayed";
    EXPECT_EQ(ListBox_GetCurSel(organizer.GroupListWindow()), 0);
    ShowGroup(organizer, 1);
    EXPECT_EQ(RowIds(organizer), std::vector<std::int64_t>{member});
    ClickHeader(organizer, kColumnUpdated);
    ListView_SetColumnWidth(organizer.ListWindow(), kColumnAlarm, 123);
    ToggleNoteOrganizer();

    wchar_t text[64] = {};
    GetPrivateProfileStringW(L"ShowHide", L"GroupDisplayed", L"", text, 64, ini);
    EXPECT_STREQ(text, L"5000000000");
    EXPECT_EQ(GetPrivateProfileIntW(L"ShowHide", L"Sorting", -1, ini), kColumnUpdated);
    EXPECT_EQ(GetPrivateProfileIntW(L"ShowHide", L"SortingAscending", -1, ini), 0);
    EXPECT_EQ(GetPrivateProfileIntW(L"ShowHide", L"ColumnAlarm", -1, ini), 123);
    EXPECT_GT(GetPrivateProfileIntW(L"ShowHide", L"Width", -1, ini), 0);

    CShowHideDlg& again = Open();
    EXPECT_EQ(again.GroupFilter(), big);
    EXPECT_EQ(ListBox_GetCurSel(again.GroupListWindow()), 1);
    EXPECT_EQ(again.SortColumn(), kColumnUpdated);
    EXPECT_EQ(ListView_GetColumnWidth(again.ListWindow(), kColumnAlarm), 123);
    ToggleNoteOrganizer();

    // Junk, a vanished group and out-of-range sorting fall back.
    for (const wchar_t* filter : {L"abc", L"77"}) {
        WritePrivateProfileStringW(L"ShowHide", L"GroupDisplayed", filter, ini);
        WritePrivateProfileStringW(L"ShowHide", L"Sorting", L"9", ini);
        WritePrivateProfileStringW(L"ShowHide", L"SortingAscending", L"5", ini);
        CShowHideDlg& reread = Open();
        EXPECT_EQ(reread.GroupFilter(), kNoGroup) << filter;
        EXPECT_EQ(ListBox_GetCurSel(reread.GroupListWindow()), 0) << filter;
        EXPECT_EQ(RowIds(reread), std::vector<std::int64_t>{loose}) << filter;
        EXPECT_EQ(reread.SortColumn(), kColumnTitle);
        EXPECT_EQ(reread.SortAscending(), 1);
        ToggleNoteOrganizer();
    }
}

TEST_F(OrganizerTest, AGroupDeletedWhileItIsTheFilterGivesNotesWithoutOne)
{
    const std::int64_t work = Group(L"Work", RGB(0, 0, 200))->GetId();
    const std::int64_t member = Note(L"member", work);
    const std::int64_t loose = Note(L"loose");
    CShowHideDlg& organizer = Open();
    ShowGroup(organizer, 1);
    ASSERT_EQ(organizer.GroupFilter(), work);
    CGroups::FindById(work)->Remove();
    {
        ScopedUiScript script;
        script.AnswerModal(IDD_GROUP_LIST, IDCANCEL);
        Command(organizer, IDC_ORGANIZER_EDIT_GROUPS);
    }
    EXPECT_EQ(organizer.GroupFilter(), kNoGroup);
    EXPECT_EQ(ListBox_GetCurSel(organizer.GroupListWindow()), 0);
    EXPECT_EQ(ListBox_GetCount(organizer.GroupListWindow()), 2);
    const std::vector<std::int64_t> rows = RowIds(organizer);
    EXPECT_EQ(std::set<std::int64_t>(rows.begin(), rows.end()), (std::set<std::int64_t>{member, loose}));
}

TEST_F(OrganizerTest, ResizingKeepsTheMarginsAndTheCreationSizeIsTheMinimum)
{
    CShowHideDlg& organizer = Open();
    const HWND window = organizer.GetHwnd();
    RECT start = {};
    GetWindowRect(window, &start);
    const auto clientRect = [window](HWND control) {
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    RECT client = {};
    GetClientRect(window, &client);
    const RECT list = clientRect(organizer.ListWindow());
    const RECT close = clientRect(GetDlgItem(window, IDCANCEL));
    SetWindowPos(window, nullptr, 0, 0, start.right - start.left + 100, start.bottom - start.top + 60,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT grown = {};
    GetClientRect(window, &grown);
    const RECT listAfter = clientRect(organizer.ListWindow());
    const RECT closeAfter = clientRect(GetDlgItem(window, IDCANCEL));
    const RECT groupsAfter = clientRect(organizer.GroupListWindow());
    EXPECT_EQ(listAfter.left, list.left);
    EXPECT_EQ(grown.bottom - listAfter.bottom, client.bottom - list.bottom);
    EXPECT_EQ(grown.right - closeAfter.right, client.right - close.right);
    EXPECT_EQ(closeAfter.left - listAfter.right, close.left - list.right);
    EXPECT_EQ(closeAfter.top, close.top);
    EXPECT_EQ(groupsAfter.bottom, listAfter.bottom);

    MINMAXINFO info = {};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, start.right - start.left);
    EXPECT_EQ(info.ptMinTrackSize.y, start.bottom - start.top);
}


// ---------------------------------------------------------------- global search

class OrganizerGlobalSearchTest : public OrganizerTest {
protected:
    // The real search box, opened on the stored search and closed by OK (or
    // Cancel); before, the action runs from inside the box's loop.
    void Search(CShowHideDlg& organizer, ScopedUiScript& script, const wchar_t* text, bool matchCase = false,
                std::function<void()> during = nullptr, UINT button = IDOK)
    {
        QueueSearchBox(script, text, matchCase, during, button);
        Command(organizer, IDC_ORGANIZER_GLOBAL_SEARCH);
    }

    void QueueSearchBox(ScopedUiScript& script, const wchar_t* text, bool matchCase = false,
                        std::function<void()> during = nullptr, UINT button = IDOK)
    {
        const wchar_t* const ini = g_prefs.IniPath();
        MyWritePrivateProfileString(L"Global Search", L"SearchText", text, ini);
        MyWritePrivateProfileString(L"Global Search", L"MatchCase", matchCase ? L"1" : L"0", ini);
        script.HandleModal(IDD_FIND, [during, button](const SModalRun& run) {
            WhenThreadWindowShows(L"Quillet - Find", [during, button](HWND box) {
                if (during)
                    during();
                PostMessageW(box, WM_COMMAND, button, 0);
            });
            return run.realRun(run.context);
        });
    }

    static std::wstring Found(int count, const std::wstring& text)
    {
        return L"Found " + std::to_wstring(count) + L" instances of " + text +
               L"\nWould you like to display the found notes?";
    }

    bool Visible(std::int64_t id)
    {
        const CNote* const note = m_manager.GetNote(id);
        return note && note->IsVisible();
    }

    std::int64_t TitledNote(const wchar_t* title, const wchar_t* text)
    {
        const std::int64_t id = Note(text);
        CNote* const note = m_manager.GetNote(id);
        note->SetTitle(title);
        if (!m_manager.StoreNote(note))
            throw std::runtime_error("the title was not stored");
        return id;
    }
};

TEST_F(OrganizerGlobalSearchTest, SelectsTheShownRowsThatMatchAndShowsExactlyThemOnYes)
{
    CGroup* const group = Group(L"Elsewhere", RGB(1, 2, 3));
    const std::int64_t plain = Note(L"Meeting notes, Żółć");
    const std::int64_t upper = Note(L"other\r\nMEETING");
    const std::int64_t filtered = Note(L"meeting in a group", group->GetId());
    const std::int64_t other = Note(L"nothing to see", kNoGroup, true);
    const std::int64_t quiet = Note(L"nothing here either");
    const std::int64_t titled = TitledNote(L"Weekly meeting", L"agenda only");   // in the title alone
    const std::int64_t both = TitledNote(L"meeting room", L"meeting room booked");
    CShowHideDlg& organizer = Open();
    ASSERT_EQ(RowOf(organizer, filtered), -1) << "the filter shows notes without a group";
    ASSERT_TRUE(ShowFindDlg(m_manager.GetNote(other)->GetHwnd()));

    Select(organizer, {other});
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDNO);
        Search(organizer, script, L"meeting");
        EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{Found(4, L"meeting")})
            << "a note found in its title and text counts once";
    }
    EXPECT_EQ(g_appModule.GetFindDlg(), nullptr) << "the find box was closed first";
    const std::set<std::int64_t> matches = {plain, upper, titled, both};
    EXPECT_EQ(SelectedIds(organizer), matches) << "No keeps the matches selected, and only them";
    for (const std::int64_t id : {plain, upper, filtered, quiet, titled, both})
        EXPECT_FALSE(Visible(id));

    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDYES);
        Search(organizer, script, L"meeting");
    }
    for (const std::int64_t id : {plain, upper, titled, both})
        EXPECT_TRUE(Visible(id)) << id;
    EXPECT_FALSE(Visible(filtered)) << "a row the filter hides is not searched";
    EXPECT_FALSE(Visible(quiet));
    EXPECT_EQ(Stored(L"visible", plain), 1);

    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDNO);
        Search(organizer, script, L"MEETING", true);
        EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{Found(1, L"MEETING")});
    }
    EXPECT_EQ(SelectedIds(organizer), std::set<std::int64_t>{upper}) << "match case";
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDNO);
        Search(organizer, script, L"ŻÓŁĆ");
    }
    EXPECT_EQ(SelectedIds(organizer), std::set<std::int64_t>{plain});
}

TEST_F(OrganizerGlobalSearchTest, TheTypedTextStaysLiteralAndNothingFoundSaysSo)
{
    const std::int64_t formats = Note(L"printf(\"%s%d\")");
    Note(L"%n and more");
    CShowHideDlg& organizer = Open();
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDNO);
        Search(organizer, script, L"%s%d");
        EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{Found(1, L"%s%d")});
    }
    EXPECT_EQ(SelectedIds(organizer), std::set<std::int64_t>{formats});
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDOK);
        Search(organizer, script, L"%s%d%n missing");
        EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{L"Cannot find \"%s%d%n missing\""});
    }
    EXPECT_TRUE(SelectedIds(organizer).empty()) << "no match leaves no row selected";
    {
        ScopedUiScript script;   // Cancel: no search, no box
        Search(organizer, script, L"%s%d", false, nullptr, IDCANCEL);
        EXPECT_EQ(script.Calls(), std::vector<std::wstring>{L"modal " + std::to_wstring(IDD_FIND)});
    }
}

TEST_F(OrganizerGlobalSearchTest, ALockedNoteMatchesByItsNameOnly)
{
    const std::int64_t locked = TitledNote(L"Diary", L"first line\r\nthe secret plan");
    CNote* const note = m_manager.GetNote(locked);
    note->SetPassword(L"pw");
    note->HideText();
    const std::int64_t open = TitledNote(L"Plans", L"no secret here");
    m_manager.GetNote(open)->SetPassword(L"pw");   // a password alone hides nothing
    ASSERT_TRUE(m_manager.StoreNote(m_manager.GetNote(open)));
    CShowHideDlg& organizer = Open();
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDNO);
        Search(organizer, script, L"secret");
        EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{Found(1, L"secret")});
    }
    EXPECT_EQ(SelectedIds(organizer), std::set<std::int64_t>{open}) << "a locked note's text is not searched";
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDNO);
        Search(organizer, script, L"diary");
    }
    EXPECT_EQ(SelectedIds(organizer), std::set<std::int64_t>{locked}) << "its title is";
}

TEST_F(OrganizerGlobalSearchTest, ANoteGoneDuringAnUnlockPromptIsSkipped)
{
    const std::int64_t locked = TitledNote(L"Diary", L"private");
    m_manager.GetNote(locked)->SetPassword(L"pw");
    m_manager.GetNote(locked)->HideText();
    const std::int64_t next = TitledNote(L"Diary two", L"public");
    CShowHideDlg& organizer = Open();
    ScopedUiScript script;
    script.AnswerMessageBox(IDYES);
    QueueSearchBox(script, L"diary");
    int prompts = 0;
    script.HandleModal(IDD_UNLOCK_NOTE, [&](const SModalRun&) {
        ++prompts;
        m_manager.GetNote(next)->Delete();
        return static_cast<INT_PTR>(IDCANCEL);
    });
    Command(organizer, IDC_ORGANIZER_GLOBAL_SEARCH);
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{Found(2, L"diary")});
    EXPECT_EQ(Scalar((L"select count(*) from notes where id=" + std::to_wstring(next)).c_str()), 0);
    EXPECT_EQ(RowIds(organizer), std::vector<std::int64_t>{locked});
}

TEST_F(OrganizerGlobalSearchTest, NoDatabaseShowsNothingAndAGoneOrganizerEndsTheSearch)
{
    const std::int64_t id = Note(L"kept hidden");
    CShowHideDlg& organizer = Open();
    {
        ScopedUiScript script;
        script.AnswerMessageBox(IDYES);
        Search(organizer, script, L"kept", false, [this] {
            m_manager.CloseAll();
            m_manager.SetDatabasePath(m_dir.File(L"missing\\QUILLT40.DAT").c_str());
        });
        EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{Found(1, L"kept")});
    }
    m_manager.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str());
    EXPECT_EQ(Stored(L"visible", id), 0);
    EXPECT_FALSE(Visible(id));

    ScopedUiScript script;   // no box may follow
    Search(organizer, script, L"kept", false, [] { ToggleNoteOrganizer(); });
    EXPECT_EQ(GetNoteOrganizer(), nullptr);
    EXPECT_TRUE(script.MessageBoxTexts().empty());
}

}  // namespace
