// A note's own window: new notes from the settings, a note hidden, unloaded
// and shown again, received and loaded notes, hiding and deleting against
// the re-entry guard and a refusing database, the note's opacity, and what
// it does with its text: formatting, sorting and finding.
#include <gtest/gtest.h>

#include <richedit.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RecordTestSupport.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/WinPlacement.h"
#include "foundation/xmlread.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "resources/resource.h"
#include "tests/foundation/FileBytes.h"
#include "tests/support/ComApartment.h"
#include "tests/support/ScopedUiScript.h"

namespace {

// The system decides WS_EX_WINDOWEDGE by the frame style.
const DWORD kExStyleMask = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

// Frames that take no time: each reading of the counter is 20 ms later.
class CInstantFrames {
public:
    CInstantFrames() : m_override(g_frameClockSeam, SFrameClockSeam{&Counter, &Frequency, &Sleep}) {}

private:
    static bool Counter(LONGLONG* count)
    {
        s_now += 20;
        *count = s_now;
        return true;
    }
    static bool Frequency(LONGLONG* countsPerSecond)
    {
        *countsPerSecond = 1000;
        return true;
    }
    static void Sleep(DWORD) {}

    static inline LONGLONG s_now = 0;
    CSeamOverride<SFrameClockSeam> m_override;
};

class NoteWindowTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterTestWindowClass(L"NoteWClass");
        g_prefs.AnimationSpeed = 3;   // no fades unless a test asks
        m_manager.AddDisplayListener(CNoteManager::CDisplayListener::Bind<&NoteWindowTest::OnDisplay>(this));
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CGroupStoreTest::TearDown();
    }

    bool OnDisplay(CNote*, CNoteManager::eNoteDisplay event)
    {
        m_events.push_back(event);
        return true;
    }
    int Count(CNoteManager::eNoteDisplay event) const
    {
        int count = 0;
        for (const CNoteManager::eNoteDisplay seen : m_events)
            count += seen == event;
        return count;
    }

    std::int64_t Rows(const std::wstring& sql) { return Scalar(sql.c_str()); }
    std::int64_t NoteRows(std::int64_t id) { return Rows(L"select count(*) from notes where id = " + std::to_wstring(id)); }
    std::int64_t SearchRows(std::int64_t id)
    {
        return Rows(L"select count(*) from search2 where docid = " + std::to_wstring(id));
    }

    static DWORD ExStyle(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)); }

    CComApartment m_com;
    std::vector<CNoteManager::eNoteDisplay> m_events;
};

RECT CursorMonitor()
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcMonitor;
}

TEST_F(NoteWindowTest, ANewNoteTakesItsFirstValuesFromTheSettings)
{
    const CGroup* work = CGroups::AddGroup(-1, L"Work", RGB(200, 40, 40));
    ASSERT_NE(work, nullptr);
    ASSERT_TRUE(CGroups::SaveAll());
    g_prefs.DefSize = 1;
    g_prefs.DefPos = 3;
    g_prefs.DefaultColor = RGB(250, 240, 120);
    const COLORREF listed = RGB(120, 200, 250);
    struct {
        const char* what;
        bool onTop;
        bool random;
        bool listEmpty;
        const wchar_t* defaultGroup;
        BYTE alpha;
        COLORREF color;
        std::int64_t group;
    } cases[] = {
        { "plain", false, false, false, L"", 255, RGB(250, 240, 120), 0 },
        { "on top, half opaque", true, false, false, L"", 128, RGB(250, 240, 120), 0 },
        { "random from the list", false, true, false, L"", 255, listed, 0 },
        { "random, empty list: default colour", false, true, true, L"", 255, RGB(250, 240, 120), 0 },
        { "default group found", false, false, false, L"Work", 255, RGB(200, 40, 40), work->GetId() },
        { "default group missing", false, false, false, L"Home", 255, RGB(250, 240, 120), 0 },
    };
    for (const auto& c : cases) {
        g_prefs.AlwaysOnTop = c.onTop;
        g_prefs.RandomColor = c.random;
        g_prefs.RandomColors.clear();
        if (!c.listEmpty)
            g_prefs.RandomColors.push_back({L"Sky", listed});
        g_prefs.DefaultGroup = c.defaultGroup;
        g_prefs.AlphaTransparency = c.alpha;
        m_events.clear();
        const std::int64_t notesBefore = Rows(L"select count(*) from notes");
        const std::int64_t searchBefore = Rows(L"select count(*) from search2");

        CNote* note = m_manager.CreateNewNote();
        ASSERT_NE(note, nullptr) << c.what;
        const HWND window = note->GetHwnd();
        RECT rect = {};
        GetWindowRect(window, &rect);
        const RECT expected = NewNoteRect(CursorMonitor(), 1, 3, 96);
        EXPECT_TRUE(EqualRect(&rect, &expected)) << c.what;
        EXPECT_EQ(rect.right - rect.left, 227) << c.what;
        EXPECT_EQ(ExStyle(window) & kExStyleMask, c.onTop ? 0x88u : 0x80u) << c.what;
        EXPECT_EQ((ExStyle(window) & WS_EX_LAYERED) != 0, c.alpha == 128) << c.what;
        EXPECT_EQ(note->Row().transparency, c.alpha) << c.what;
        EXPECT_EQ(note->GetColor(), 0x02000000u | c.color) << c.what;
        EXPECT_EQ(note->GetGroup(), c.group) << c.what;
        EXPECT_EQ(note->Alarm().flags & 0xC00u, 0xC00u) << c.what;
        EXPECT_NE(TextToGuid(note->GetGuidText().c_str()), GUID{}) << c.what;
        EXPECT_TRUE(IsWindowVisible(window)) << c.what;
        EXPECT_TRUE(note->IsVisible()) << c.what;
        EXPECT_FALSE(note->IsModified()) << c.what;
        EXPECT_EQ(m_manager.GetNoteFromWindow(window), note) << c.what;
        EXPECT_EQ(Rows(L"select count(*) from notes"), notesBefore + 1) << c.what;
        EXPECT_EQ(Rows(L"select count(*) from search2"), searchBefore + 1) << c.what;
        EXPECT_EQ(SearchRows(note->GetId()), 1) << c.what;
        EXPECT_EQ(Count(CNoteManager::eNoteShown), 1) << c.what;
    }
}

// Bold red text with characters beyond Latin-1 and one beyond the BMP.
const wchar_t kRichText[] =
    L"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red200\\green0\\blue0;}"
    L"\\f0\\b\\cf1 Caf\\u233?\\u8364?\\u-10179?\\u-8704?\\b0\\cf0\\par second line\\par}";

TEST_F(NoteWindowTest, AHiddenAndUnloadedNoteShowsAgainAsItWas)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    // The note's font first: it is the font of all the text, bold included.
    LOGFONTW font = {};
    wcscpy_s(font.lfFaceName, L"Tahoma");
    font.lfHeight = -15;
    font.lfWeight = FW_NORMAL;
    ASSERT_TRUE(note->SetFont(font));
    note->SetText(kRichText);
    note->SetColor(RGB(10, 200, 30));
    note->SetEditAlignment(1);
    ASSERT_TRUE(SetWindowPos(note->GetHwnd(), nullptr, 300, 200, 250, 180, SWP_NOZORDER | SWP_NOACTIVATE));
    const std::int64_t id = note->GetId();
    const CStdStr plain = note->GetPlainText();
    EXPECT_NE(plain.find(L"Caf\u00e9\u20ac\U0001F600"), CStdStr::npos);

    ASSERT_TRUE(note->HideSticky(true));
    EXPECT_EQ(Count(CNoteManager::eNoteHidden), 1);
    CNote* again = m_manager.GetNote(id);
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(again->IsVisible());
    EXPECT_NE(again->Row().text.find(L"\r\nsecond line"), CStdStr::npos) << "plain text with CRLF";
    EXPECT_EQ(Rows(L"select count(*) from search2 where search2 match 'second'"), 1);
    const double stamped = again->Row().lastUpdateDate.m_dt;
    EXPECT_FALSE(again->IsModified());

    ASSERT_TRUE(again->Show(false, true));
    EXPECT_EQ(again->Row().lastUpdateDate.m_dt, stamped) << "reading and showing change nothing";
    EXPECT_FALSE(again->IsModified());
    EXPECT_EQ(again->GetPlainText(), plain);
    RECT rect = {};
    GetWindowRect(again->GetHwnd(), &rect);
    EXPECT_EQ(rect.left, 300);
    EXPECT_EQ(rect.top, 200);
    EXPECT_EQ(rect.right - rect.left, 250);
    EXPECT_EQ(rect.bottom - rect.top, 180);
    EXPECT_EQ(again->GetColor(), 0x02000000u | RGB(10, 200, 30));
    EXPECT_STREQ(again->GetLogFont().lfFaceName, L"Tahoma");
    EXPECT_EQ(again->Row().style, 1u);

    const HWND editor = again->GetEditHwnd();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(SendMessageW(editor, EM_GETEVENTMASK, 0, 0), 0x04340001) << "events back after the text went in";
    SendMessageW(editor, EM_SETSEL, 0, 1);
    CHARFORMAT2W effects = {};
    effects.cbSize = sizeof(effects);
    SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&effects));
    EXPECT_NE(effects.dwEffects & CFE_BOLD, 0u);
    EXPECT_EQ(effects.crTextColor, static_cast<COLORREF>(RGB(200, 0, 0)));
    PARAFORMAT2 paragraph = {};
    paragraph.cbSize = sizeof(paragraph);
    SendMessageW(editor, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    EXPECT_EQ(paragraph.wAlignment, PFA_CENTER);
}

TEST_F(NoteWindowTest, ShowingWithoutShowRegistersTheNoteButLeavesItsWindowHidden)
{
    CNote* note = m_manager.AddNote(std::make_unique<CNote>());
    note->Row().text = L"later";
    ASSERT_TRUE(m_manager.StoreNote(note));
    ASSERT_TRUE(note->Show(false, false));
    ASSERT_NE(note->GetHwnd(), nullptr);
    EXPECT_FALSE(IsWindowVisible(note->GetHwnd()));
    EXPECT_TRUE(note->IsVisible());
    EXPECT_EQ(m_manager.GetNoteFromWindow(note->GetHwnd()), note);
    EXPECT_EQ(Count(CNoteManager::eNoteShown), 1);
}

TEST_F(NoteWindowTest, ReceivedNotesAreStoredWithTheirSearchRow)
{
    struct {
        const char* what;
        const wchar_t* fields;
        bool locked;
    } cases[] = {
        { "locked", L"<locked>1</locked><guid>{3F2504E0-4F89-11D3-9A0C-0305E82C3301}</guid>", true },
        { "without a GUID", L"", false },
        { "locked, without a GUID", L"<locked>1</locked>", true },
    };
    for (const auto& c : cases) {
        const std::wstring document =
            std::wstring(L"<NOTES><note><visible>1</visible><text>received words</text>") + c.fields + L"</note></NOTES>";
        CNote* note = m_manager.CreateNoteFromXml(document.c_str());
        ASSERT_NE(note, nullptr) << c.what;
        EXPECT_NE(note->GetId(), -1) << c.what;
        EXPECT_EQ(NoteRows(note->GetId()), 1) << c.what;
        EXPECT_EQ(SearchRows(note->GetId()), 1) << c.what;
        EXPECT_EQ(note->IsLocked(), c.locked) << c.what;
        EXPECT_EQ(Rows(L"select locked from notes where id = " + std::to_wstring(note->GetId())), c.locked ? 1 : 0)
            << c.what;
        EXPECT_NE(TextToGuid(note->GetGuidText().c_str()), GUID{}) << c.what;
        EXPECT_EQ(IsWindowVisible(note->GetEditHwnd()) != FALSE, !c.locked) << c.what;
    }
    EXPECT_EQ(Rows(L"select count(*) from search2 where search2 match 'received'"), 3);
}

// A stored rich text the control cannot survive: the note opens from its
// plain text, and the row keeps both texts as they were.
TEST_F(NoteWindowTest, AStoredNoteWithHostileRichTextOpensFromItsPlainText)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    note->SetText(L"kept words");
    const std::int64_t id = note->GetId();
    ASSERT_TRUE(note->HideSticky(true));
    CNote* stored = m_manager.GetNote(id);
    ASSERT_NE(stored, nullptr);
    CStdStr deep = L"{\\rtf1 ";
    for (int i = 0; i < 10000; ++i)
        deep += L"{";
    stored->Row().displayText = deep;
    stored->SetText(deep);
    EXPECT_EQ(stored->Row().text, L"kept words") << "no conversion wipes the plain text";
    ASSERT_TRUE(m_manager.StoreNote(stored));

    const CLogCapture log;
    ASSERT_TRUE(stored->Show(false, true));
    EXPECT_EQ(stored->GetPlainText(), L"kept words");
    EXPECT_TRUE(LogHasLineStarting(log, L"Note " + std::to_wstring(id) + L" opens from its plain text"));
    EXPECT_EQ(stored->Row().displayText, deep);
    EXPECT_FALSE(stored->IsModified());
}

// Every hidden control raises its limit: on Windows a stream stops at
// 32,767 characters, and the plain text and the search row with it.
TEST_F(NoteWindowTest, AHundredThousandCharactersAreStoredWhole)
{
    CStdStr plain;
    for (int line = 0; plain.size() < 100000; ++line)
        plain += L"line " + CStdStr(std::to_wstring(line)) + L" zebra\r\n";
    CStdStr rtf = plain;
    rtf.Replace(L"\r\n", L"\\par ");
    rtf = L"{\\rtf1\\ansi " + rtf + L"}";

    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    ASSERT_TRUE(note->HideSticky(true));
    CNote* windowless = m_manager.GetNote(id);
    ASSERT_NE(windowless, nullptr);
    ASSERT_EQ(windowless->GetHwnd(), nullptr);
    windowless->SetText(rtf);
    EXPECT_EQ(windowless->Row().text + L"\r\n", plain);
    ASSERT_TRUE(m_manager.StoreNote(windowless));
    EXPECT_EQ(Rows(L"select length(text) from notes where id = " + std::to_wstring(id)) + 2,
              static_cast<std::int64_t>(plain.size()));
    EXPECT_EQ(Rows(L"select length(text) from search2 where docid = " + std::to_wstring(id)) + 2,
              static_cast<std::int64_t>(plain.size()));
}

TEST_F(NoteWindowTest, ALockedNoteLoadsWithItsDate)
{
    const CFixedClock clock(COleDateTime(2020, 5, 6, 7, 8, 9));
    CNote* stored = m_manager.AddNote(std::make_unique<CNote>());
    stored->Row().text = L"secret";
    stored->Row().visible = true;
    stored->Row().locked = true;
    stored->Row().password = L"pw";
    ASSERT_TRUE(m_manager.StoreNote(stored));
    const double stamped = stored->Row().lastUpdateDate.m_dt;
    const std::int64_t id = stored->GetId();
    const std::wstring dateSql = L"select cast(lastupdatedate * 86400 as integer) from notes where id = " + std::to_wstring(id);
    const std::int64_t date = Rows(dateSql);
    m_manager.CloseAll();
    CFixedClock::Set(COleDateTime(2024, 1, 2, 3, 4, 5));

    CNote* loaded = m_manager.LoadAndShowNote(id);
    ASSERT_NE(loaded, nullptr);
    ASSERT_NE(loaded->GetHwnd(), nullptr);
    EXPECT_TRUE(IsWindowVisible(loaded->GetHwnd()));
    EXPECT_FALSE(IsWindowVisible(loaded->GetEditHwnd())) << "the text stays hidden";
    EXPECT_EQ(loaded->Row().lastUpdateDate.m_dt, stamped);
    EXPECT_EQ(Rows(dateSql), date);
}

TEST_F(NoteWindowTest, HidingUnderTheGuardDoesNothingButDeletingStillDeletes)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    const HWND window = note->GetHwnd();
    const std::int64_t id = note->GetId();
    const CSingleFunctionEntry held(L"SomethingLong");
    ASSERT_FALSE(held.AlreadyRunning());

    CLogCapture log;
    EXPECT_FALSE(note->HideSticky(false));
    EXPECT_TRUE(LogHasLineStarting(log, L"CSingleFunctionEntry - Function HideSticky already running"));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(note->IsVisible());
    EXPECT_EQ(Count(CNoteManager::eNoteHidden), 0);

    log.Clear();
    DB().execDML(L"update notes set autoresize = 0");
    EXPECT_FALSE(CNote::UpdateAutoSizeField(DB())) << "the guard is shared";
    EXPECT_TRUE(LogHasLineStarting(log, L"CSingleFunctionEntry - Function UpdateAutoSizeField already running"));
    EXPECT_EQ(Rows(L"select count(*) from notes where autoresize = 1"), 0);

    EXPECT_TRUE(note->Delete());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(m_manager.GetNoteFromWindow(window), nullptr);
    EXPECT_EQ(NoteRows(id), 0);
    EXPECT_EQ(SearchRows(id), 0);
    EXPECT_EQ(m_manager.GetNote(id), nullptr);
}

TEST_F(NoteWindowTest, AnUnloadThatCannotBeStoredKeepsTheNote)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    DB().execDML(L"CREATE TRIGGER refuse BEFORE UPDATE ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END;");

    EXPECT_FALSE(note->HideSticky(true));
    EXPECT_EQ(m_manager.GetNote(id), note) << "still cached";
    EXPECT_TRUE(note->IsModified());
    EXPECT_FALSE(note->IsVisible());
    EXPECT_EQ(note->GetHwnd(), nullptr);
    EXPECT_EQ(Rows(L"select visible from notes where id = " + std::to_wstring(id)), 1);

    DB().execDML(L"DROP TRIGGER refuse;");
    EXPECT_TRUE(m_manager.SaveModifiedNotes()) << "the save of all notes takes the note without a window";
    EXPECT_EQ(Rows(L"select visible from notes where id = " + std::to_wstring(id)), 0);
    EXPECT_FALSE(note->IsModified());
}

TEST_F(NoteWindowTest, WithoutADatabaseHidingLeavesTheNoteShown)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    m_manager.CloseDB();
    m_manager.SetDatabasePath(L"");
    EXPECT_FALSE(note->HideSticky(false));
    EXPECT_TRUE(IsWindowVisible(note->GetHwnd()));
    EXPECT_TRUE(note->IsVisible());
}

TEST_F(NoteWindowTest, OnlyAPartialOpacityMakesTheWindowLayered)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    for (const int alpha : { 0, 255, 128 }) {
        note->SetTransparency(alpha);
        EXPECT_EQ((ExStyle(note->GetHwnd()) & WS_EX_LAYERED) != 0, alpha == 128) << alpha;
    }
    BYTE read = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(note->GetHwnd(), nullptr, &read, &flags));
    EXPECT_EQ(read, 128);
}

TEST_F(NoteWindowTest, AFadedShowAndHideEndAtTheNoteAlphaWithItsEdges)
{
    const CInstantFrames frames;
    g_prefs.AnimationSpeed = 2;
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    note->SetTransparency(128);
    const HWND window = note->GetHwnd();
    EXPECT_TRUE(IsWindowVisible(window));
    BYTE alpha = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(note->Edges().GetAlpha(), 128);
    EXPECT_NE(note->Edges().EdgeWindow(kEdgeTop), nullptr);

    note->Animate(75, AW_BLEND | AW_HIDE);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(note->Edges().GetAlpha(), 0);
    note->UpdateAlphaEdge(true, true, false);
    EXPECT_EQ(note->Edges().GetAlpha(), 0) << "hidden wins";

    ASSERT_TRUE(note->Show(false, true));
    EXPECT_TRUE(IsWindowVisible(window));
    ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(note->Edges().GetAlpha(), 128);

    // Without a frame clock the note still hides and shows, at once.
    const CSeamOverride<SFrameClockSeam> noClock(
        g_frameClockSeam, SFrameClockSeam{g_frameClockSeam.counter, +[](LONGLONG*) { return false; },
                                          g_frameClockSeam.sleep});
    note->Animate(75, AW_BLEND | AW_HIDE);
    EXPECT_FALSE(IsWindowVisible(window));
    note->Animate(75, AW_BLEND);
    EXPECT_TRUE(IsWindowVisible(window));
}

// A shown note with that text in its editor.
class NoteTextTest : public NoteWindowTest {
protected:
    CNote* NoteWith(const wchar_t* text)
    {
        CNote* note = m_manager.CreateNewNote();
        if (note) {
            note->SetText(text);
            m_manager.SaveModifiedNotes();
        }
        return note;
    }

    static CHARRANGE Selection(const CNote& note)
    {
        CHARRANGE range = {};
        SendMessageW(note.GetEditHwnd(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }
    static void Select(const CNote& note, LONG start, LONG end)
    {
        CHARRANGE range = {start, end};
        SendMessageW(note.GetEditHwnd(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    static bool IsBold(const CNote& note, LONG start, LONG end)
    {
        Select(note, start, end);
        CHARFORMAT2W format = {};
        format.cbSize = sizeof(format);
        SendMessageW(note.GetEditHwnd(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
    }
    std::int64_t StoredTextLike(const CNote& note, const std::wstring& pattern)
    {
        return Rows(L"select count(*) from notes where id = " + std::to_wstring(note.GetId()) + L" and text like '" +
                    pattern + L"'");
    }
};

TEST_F(NoteTextTest, SortingOrdersParagraphsStablyWithTheirFormat)
{
    const std::wstring longLine = L"m" + std::wstring(599, L'x');
    const std::wstring rtf = L"{\\rtf1\\ansi pear\\par " + longLine +
                             L"\\par {\\b apple}\\par Banana\\par apple}";   // no final mark
    CNote* note = NoteWith(rtf.c_str());
    ASSERT_NE(note, nullptr);
    ASSERT_FALSE(note->IsModified());
    ASSERT_TRUE(note->SortLines());

    const std::wstring sorted = L"Banana\r\napple\r\napple\r\n" + longLine + L"\r\npear";
    EXPECT_EQ(note->GetPlainText().substr(0, sorted.size()), sorted);
    EXPECT_TRUE(IsBold(*note, 7, 12)) << "the bold apple came first and stays bold";
    EXPECT_FALSE(IsBold(*note, 13, 18));
    EXPECT_TRUE(note->IsModified());
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    EXPECT_EQ(StoredTextLike(*note, L"Banana%"), 1);

    CNote* empty = NoteWith(L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->SortLines());
    EXPECT_EQ(empty->GetPlainText(), L"");
}

TEST_F(NoteTextTest, FindingStartsAfterAMatchedSelectionAndWrapsOnce)
{
    CNote* note = NoteWith(L"Alpha beta alpha BETA");
    ASSERT_NE(note, nullptr);
    struct {
        const char* what;
        const wchar_t* text;
        bool forward;
        bool matchCase;
        CHARRANGE selection;
        CHARRANGE expected;
    } cases[] = {
        { "forward from the start", L"alpha", true, false, {0, 0}, {0, 5} },
        { "forward, matching case", L"alpha", true, true, {0, 0}, {11, 16} },
        { "forward after a match", L"alpha", true, false, {0, 5}, {11, 16} },
        { "forward wraps", L"alpha", true, false, {11, 16}, {0, 5} },
        { "backward from the end", L"beta", false, false, {0, 0}, {17, 21} },
        { "backward, matching case", L"beta", false, true, {0, 0}, {6, 10} },
        { "backward before a match", L"beta", false, false, {17, 21}, {6, 10} },
        { "backward wraps", L"beta", false, false, {6, 10}, {17, 21} },
        { "a selection that is no match: from the start", L"alpha", true, false, {1, 3}, {0, 5} },
    };
    for (const auto& c : cases) {
        Select(*note, c.selection.cpMin, c.selection.cpMax);
        EXPECT_TRUE(note->FindText(nullptr, c.text, c.forward, c.matchCase)) << c.what;
        const CHARRANGE found = Selection(*note);
        EXPECT_EQ(found.cpMin, c.expected.cpMin) << c.what;
        EXPECT_EQ(found.cpMax, c.expected.cpMax) << c.what;
    }

    ScopedUiScript script;
    script.AnswerMessageBox(IDOK);
    Select(*note, 6, 10);
    EXPECT_FALSE(note->FindText(nullptr, L"gamma", true, false));
    EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{L"Cannot find \"gamma\""});
    const CHARRANGE none = Selection(*note);
    EXPECT_EQ(none.cpMin, 0);
    EXPECT_EQ(none.cpMax, 0);
}

TEST_F(NoteTextTest, AnEffectIsSetOverAMixedSelectionAndToggledOverAUniformOne)
{
    CNote* note = NoteWith(L"{\\rtf1\\ansi {\\b bold}plain}");
    ASSERT_NE(note, nullptr);
    Select(*note, 2, 9);
    ASSERT_TRUE(note->ToggleCharEffect(CFM_BOLD, CFE_BOLD));
    EXPECT_TRUE(IsBold(*note, 0, 9)) << "mixed: set";
    EXPECT_TRUE(note->IsModified());
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    EXPECT_FALSE(note->IsModified());

    Select(*note, 0, 9);
    ASSERT_TRUE(note->ToggleCharEffect(CFM_BOLD, CFE_BOLD));
    EXPECT_FALSE(IsBold(*note, 0, 1)) << "uniform: toggled";
    EXPECT_TRUE(note->IsModified());
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    EXPECT_FALSE(note->IsModified());

    Select(*note, 0, 0);
    ASSERT_TRUE(note->ToggleNumbering(PFN_BULLET));
    PARAFORMAT2 paragraph = {};
    paragraph.cbSize = sizeof(paragraph);
    SendMessageW(note->GetEditHwnd(), EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    EXPECT_EQ(paragraph.wNumbering, PFN_BULLET);
    EXPECT_TRUE(note->IsModified());
}

TEST_F(NoteTextTest, NextAndPreviousWrapAmongTheShownNotes)
{
    CNote* first = NoteWith(L"one");
    CNote* second = NoteWith(L"two");
    CNote* third = NoteWith(L"three");
    ASSERT_NE(third, nullptr);
    ASSERT_TRUE(second->HideSticky(false));
    third->ShowNextNote();
    EXPECT_EQ(GetFocus(), first->GetEditHwnd()) << "past the last: the first";
    first->ShowPreviousNote();
    EXPECT_EQ(GetFocus(), third->GetEditHwnd()) << "before the first: the last, the hidden one skipped";
    third->ShowPreviousNote();
    EXPECT_EQ(GetFocus(), first->GetEditHwnd());
    EXPECT_FALSE(second->IsVisible());

    ASSERT_TRUE(first->HideSticky(false));
    ASSERT_TRUE(third->HideSticky(false));
    first->ShowNextNote();   // none shown: nothing
    EXPECT_FALSE(first->IsVisible());
}

TEST_F(NoteTextTest, ALockedNoteShowsItsTextOnlyWithThePassword)
{
    CNote* note = NoteWith(L"hidden words");
    ASSERT_NE(note, nullptr);
    note->SetPassword(L"pw");
    note->HideText();
    EXPECT_EQ(Rows(L"select locked from notes where id = " + std::to_wstring(note->GetId())), 1) << "written at once";
    EXPECT_FALSE(IsWindowVisible(note->GetEditHwnd()));

    for (const INT_PTR answer : { IDCANCEL, IDOK }) {
        ScopedUiScript script;
        script.AnswerModal(IDD_UNLOCK_NOTE, answer);
        EXPECT_TRUE(note->ShowSticky());
        EXPECT_EQ(note->IsLocked(), answer != IDOK) << answer;
        EXPECT_EQ(IsWindowVisible(note->GetEditHwnd()) != FALSE, answer == IDOK) << answer;
        EXPECT_EQ(Rows(L"select locked from notes where id = " + std::to_wstring(note->GetId())), answer != IDOK);
    }
    EXPECT_TRUE(note->UnlockText()) << "nothing to unlock";
}

// Notes without windows, as most notes are when they are exported.
class NoteExportTest : public NoteWindowTest {
protected:
    CNote* Hidden(const wchar_t* text, bool locked = false)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        note->Row().displayText = text;
        note->Row().locked = locked;
        note->Row().password = L"pw";
        EXPECT_TRUE(m_manager.StoreNote(note));
        return note;
    }

    static std::string Block(const std::string& text)
    {
        const std::string rule = std::string(79, '=') + "\r\n";
        return rule + "= " + text + "\r\n" + rule + text;
    }

    std::wstring m_path = m_dir.File(L"export.txt");
};

TEST_F(NoteExportTest, TextBlocksStartTheFileOrFollowWhatIsThere)
{
    Hidden(L"one");
    Hidden(L"caf\u00e9 \u20ac");
    CNote* third = Hidden(L"three");
    WriteBytes(m_path, "old bytes");

    ASSERT_TRUE(ExportAllNotes(m_path.c_str(), 0));
    const std::string three = Block("one") + "\r\n" + Block("caf\xC3\xA9 \xE2\x82\xAC") + "\r\n" + Block("three");
    EXPECT_EQ(ReadBytes(m_path), three);

    ASSERT_TRUE(third->ExportSticky(m_path.c_str(), 0, true, false));
    EXPECT_EQ(ReadBytes(m_path), three + "\r\n" + Block("three"));

    const std::wstring other = m_dir.File(L"other.txt");
    EXPECT_TRUE(third->ExportSticky(other.c_str(), 7, false, false)) << "an unknown format writes nothing";
    EXPECT_EQ(GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES);

    CLogCapture log;
    EXPECT_FALSE(third->ExportSticky(m_dir.File(L"missing\\x.txt").c_str(), 0, false, false));
    EXPECT_TRUE(LogHasLineStarting(log, L"ExportSticky - Open failed - error 00000003, file "));
}

TEST_F(NoteExportTest, AnXmlExportStoppedByALockedNoteIsStillADocument)
{
    Hidden(L"first");
    CNote* locked = Hidden(L"second", true);
    Hidden(L"third");
    WriteBytes(m_path, "old content that is no document");
    ScopedUiScript script;
    script.AnswerModal(IDD_UNLOCK_NOTE, IDCANCEL);

    EXPECT_FALSE(ExportAllNotes(m_path.c_str(), 1));
    const std::string bytes = ReadBytes(m_path);
    EXPECT_EQ(bytes.find("old content"), std::string::npos);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(bytes.size() - 8), "</NOTES>");
    EXPECT_EQ(bytes.find("</NOTES>"), bytes.size() - 8) << "closed once";
    EXPECT_NE(bytes.find("first"), std::string::npos);
    EXPECT_EQ(bytes.find("third"), std::string::npos);
    std::wstring wide;
    ASSERT_TRUE(Utf8ToWide(bytes.data(), bytes.size(), wide));
    CComPtr<IXMLDOMDocument> document;
    EXPECT_TRUE(LoadXmlDocument(document, wide.c_str(), SXmlLimits{1u << 20, 10}));

    // Refused at the first note written: the file stays as it was.
    m_manager.DeleteNote(m_manager.GetNote(1));
    WriteBytes(m_path, "kept");
    script.AnswerModal(IDD_UNLOCK_NOTE, IDCANCEL);
    EXPECT_FALSE(ExportAllNotes(m_path.c_str(), 1));
    EXPECT_EQ(ReadBytes(m_path), "kept");
    EXPECT_TRUE(locked->IsLocked());
}

TEST_F(NoteWindowTest, ADuplicateIsStoredAsItIsAndPlacedBesideAShownSource)
{
    CNote* source = m_manager.CreateNewNote();
    ASSERT_NE(source, nullptr);
    source->SetText(L"{\\rtf1\\ansi {\\b twin} text}");
    source->SetColor(RGB(30, 60, 90));
    source->SetTransparency(200);
    source->SetEditAlignment(2);
    ASSERT_TRUE(SetWindowPos(source->GetHwnd(), nullptr, 400, 300, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE));

    for (const bool shown : { true, false }) {
        if (!shown) {
            ASSERT_TRUE(source->HideSticky(false));
        }
        ASSERT_TRUE(source->Duplicate()) << shown;
        CNote* copy = m_manager.GetNote(m_manager.GetHighestID());
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(copy, source);
        EXPECT_EQ(copy->GetName(), L"Copy of twin text") << shown;
        EXPECT_EQ(copy->IsVisible(), shown);
        EXPECT_EQ(copy->GetHwnd() != nullptr, shown);
        EXPECT_FALSE(copy->IsModified()) << shown;
        CNote stored;
        ASSERT_TRUE(stored.GetData(copy->GetId()));
        const NoteRow& row = stored.Row();
        EXPECT_EQ(row.name, copy->Row().name);
        EXPECT_EQ(row.text, copy->Row().text);
        EXPECT_EQ(row.text.substr(0, 9), L"twin text");
        EXPECT_EQ(row.displayText, copy->Row().displayText);
        EXPECT_EQ(row.color, 0x02000000u | RGB(30, 60, 90));
        EXPECT_EQ(row.transparency, 200);
        EXPECT_EQ(row.style, 2u);
        EXPECT_EQ(row.textFont, source->Row().textFont);
        EXPECT_EQ(row.visible, shown);
        if (shown) {
            RECT rect = {};
            GetWindowRect(copy->GetHwnd(), &rect);
            EXPECT_EQ(rect.left, 385);
            EXPECT_EQ(rect.top, 285);
            EXPECT_EQ(rect.right - rect.left, 200);
        }
    }
}

TEST_F(NoteWindowTest, JoiningAGroupThatIsGoneLeavesTheGroupAndSaysSo)
{
    CGroup* work = CGroups::AddGroup(-1, L"Work", RGB(200, 40, 40));
    ASSERT_NE(work, nullptr);
    ASSERT_TRUE(CGroups::SaveAll());
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(note->SetGroup(work->GetId(), work->GetColor()));
    EXPECT_NE(m_manager.NotifyWindow().ThreadId(), 0u) << "said beside the shown note";
    m_manager.NotifyWindow().Stop();
    EXPECT_TRUE(note->SetGroup(work->GetId() + 50, 0));
    EXPECT_EQ(note->GetGroup(), 0);
    EXPECT_NE(m_manager.NotifyWindow().ThreadId(), 0u);
    m_manager.NotifyWindow().Stop();
}

TEST_F(NoteWindowTest, TheLegacyFormNeitherReadsNorWritesYet)
{
    CNote note;
    note.Row().text = L"kept";
    CLogCapture log;
    const BYTE bytes[4] = {'S', 'T', 'I', 'C'};
    EXPECT_FALSE(note.ReadFromBuffer(bytes, 0));
    EXPECT_TRUE(log.Contains(L"ReadFromBuffer - nothing to read"));
    EXPECT_FALSE(note.ReadFromBuffer(bytes, sizeof(bytes)));
    EXPECT_EQ(note.Row().text, L"kept");
    EXPECT_EQ(note.SaveToGlobal(), nullptr) << "no empty payload";
}

// What the frame sees while a note places its window from stored values.
struct SPlacingProbe {
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_WINDOWPOSCHANGED && note) {
            ++moves;
            placingMoves += note->IsPlacing();
        }
        return CallWindowProcW(previous, window, msg, wParam, lParam);
    }
    static inline const CNote* note = nullptr;
    static inline WNDPROC previous = nullptr;
    static inline int moves = 0;
    static inline int placingMoves = 0;
};

TEST_F(NoteWindowTest, ReadingARowPlacesTheWindowUnderThePlacingScope)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(SetWindowPos(note->GetHwnd(), nullptr, 120, 130, 210, 190, SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(m_manager.StoreNote(note));
    ASSERT_TRUE(SetWindowPos(note->GetHwnd(), nullptr, 300, 310, 150, 140, SWP_NOZORDER | SWP_NOACTIVATE));
    note->SetModified(false);
    SPlacingProbe::note = note;
    SPlacingProbe::previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(note->GetHwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SPlacingProbe::Proc)));

    EXPECT_FALSE(note->IsPlacing());
    ASSERT_TRUE(m_manager.ReadNote(note));
    SetWindowLongPtrW(note->GetHwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SPlacingProbe::previous));
    SPlacingProbe::note = nullptr;
    EXPECT_GT(SPlacingProbe::moves, 0);
    EXPECT_EQ(SPlacingProbe::placingMoves, SPlacingProbe::moves);
    EXPECT_FALSE(note->IsPlacing());
    RECT rect = {};
    GetWindowRect(note->GetHwnd(), &rect);
    EXPECT_EQ(rect.left, 120);
    EXPECT_EQ(rect.right - rect.left, 210);
    EXPECT_FALSE(note->IsModified()) << "a read changes nothing";
}

TEST_F(NoteTextTest, RecordChangesFromTheWindowAreMarkedAndStored)
{
    CNote* note = NoteWith(L"first line\nmore");
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();

    note->ToggleReadOnly();
    EXPECT_NE(GetWindowLongW(note->GetEditHwnd(), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(note->Alarm().flags & kNoteReadOnly, static_cast<std::uint32_t>(kNoteReadOnly));
    EXPECT_TRUE(note->IsModified());
    ASSERT_TRUE(m_manager.SaveModifiedNotes());

    m_events.clear();
    note->SetTitle(L"first line");
    EXPECT_FALSE(note->IsModified()) << "the display name already";
    note->SetTitle(L"Shopping");
    EXPECT_EQ(Rows(L"select count(*) from notes where name = 'Shopping' and displayname = 'Shopping' and id = " +
                   std::to_wstring(id)), 1);
    EXPECT_EQ(Count(CNoteManager::eNoteChanged), 1);

    // Locking writes at once; a write that fails keeps the change to store later.
    DB().execDML(L"CREATE TRIGGER refuse BEFORE UPDATE ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    CLogCapture log;
    note->HideText();
    EXPECT_TRUE(LogHasLineStarting(log, L"HideText - note " + std::to_wstring(id) + L" not written"));
    EXPECT_TRUE(note->IsModified());
    DB().execDML(L"DROP TRIGGER refuse;");
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    EXPECT_EQ(Rows(L"select locked from notes where id = " + std::to_wstring(id)), 1);
}

}  // namespace

TEST_F(NoteTextTest, StreamedRichTextNeverKeepsTheProtectedEffect)
{
    struct SCase {
        const wchar_t* rtf;
        const wchar_t* plain;
        bool protectedDefault;
    };
    const SCase cases[] = {
        {L"{\\rtf1 {\\protect locked} free}", L"locked free", false},
        {L"{\\rtf1 plain {\\b bold}}", L"plain bold", false},
        // A default format that had the effect must not hand it to the text.
        {L"{\\rtf1 plain {\\b bold}}", L"plain bold", true},
    };
    for (const SCase& c : cases) {
        CNote* note = NoteWith(L"");
        ASSERT_NE(note, nullptr);
        if (c.protectedDefault) {
            CHARFORMAT2W format = {};
            format.cbSize = sizeof(format);
            format.dwMask = CFM_PROTECTED;
            format.dwEffects = CFE_PROTECTED;
            SendMessageW(note->GetEditHwnd(), EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        }
        note->SetText(c.rtf);
        EXPECT_EQ(note->GetPlainText(), c.plain) << c.rtf;
        Select(*note, 0, -1);
        CHARFORMAT2W format = {};
        format.cbSize = sizeof(format);
        SendMessageW(note->GetEditHwnd(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        EXPECT_TRUE(format.dwMask & CFM_PROTECTED) << c.rtf;
        EXPECT_FALSE(format.dwEffects & CFE_PROTECTED) << c.rtf;
    }
}
