// Many note windows at once: hiding and showing all of them, the others or a
// whole group, dimming them while the user works elsewhere, their Z order, a
// new caption font, and the colour a note window paints with.
#include <gtest/gtest.h>
#include <richedit.h>

#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "foundation/Preferences.h"
#include "framework/AppModule.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notewindows/VeduVure.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"
#include "tests/support/ComApartment.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/WindowOrder.h"

namespace {

class ShowHideTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterTestWindowClass(L"NoteWClass");
        g_prefs.AnimationSpeed = 3;   // no fades unless a test asks
        g_prefs.AlwaysOnTop = false;
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        g_prefs = m_savedPrefs;
        CGroupStoreTest::TearDown();
    }

    // Shown notes, the first with half opacity.
    std::vector<CNote*> ShownNotes(int count)
    {
        std::vector<CNote*> notes;
        for (int i = 0; i < count; ++i) {
            CNote* note = m_manager.CreateNewNote();
            EXPECT_NE(note, nullptr);
            if (!note)
                return notes;
            notes.push_back(note);
        }
        notes.front()->SetTransparency(128);
        return notes;
    }

    // A stored note of the group, hidden (its window gone) unless shown.
    std::int64_t GroupNote(std::int64_t group, bool shown)
    {
        CNote* note = m_manager.CreateNewNote();
        EXPECT_NE(note, nullptr);
        if (!note)
            return -1;
        note->SetGroupId(group);
        EXPECT_TRUE(m_manager.StoreNote(note));
        if (!shown) {
            EXPECT_TRUE(note->HideSticky(false));
        }
        return note->GetId();
    }

    // A hidden note of the group whose text is locked.
    std::int64_t LockedGroupNote(std::int64_t group)
    {
        const std::int64_t id = GroupNote(group, true);
        CNote* note = m_manager.GetNote(id);
        note->SetPassword(L"pw");
        note->HideText();
        EXPECT_TRUE(note->HideSticky(false));
        return id;
    }
    // Every later write of the note's row fails.
    void RefuseWrites(std::int64_t id)
    {
        DB().execDML((L"CREATE TRIGGER refuse BEFORE UPDATE ON notes WHEN old.id = " + std::to_wstring(id) +
                      L" BEGIN SELECT RAISE(ABORT, 'refused'); END;").c_str());
    }

    bool WindowShown(std::int64_t id)
    {
        const CNote* note = m_manager.GetNote(id);
        return note && note->GetHwnd() && IsWindowVisible(note->GetHwnd());
    }
    std::int64_t VisibleRow(std::int64_t id)
    {
        return Scalar((L"select visible from notes where id = " + std::to_wstring(id)).c_str());
    }
    bool InTransaction() { return sqlite3_get_autocommit(DB().handle()) == 0; }

    static BYTE Alpha(HWND window)
    {
        if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
            return 255;
        BYTE alpha = 0;
        DWORD flags = 0;
        return GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) ? alpha : 255;
    }

    CComApartment m_com;
    CLogCapture m_log;
    const CPreferences m_savedPrefs = g_prefs;
};

// Animation off and at its shortest: the windows go and come back with their
// edges, the visible flags and rows stay, and a note hidden on its own stays
// hidden.
TEST_F(ShowHideTest, HidingAllKeepsTheNotesShownAndShowingAllBringsTheirWindowsBack)
{
    for (const int speed : { 3, 2 }) {
        g_prefs.AnimationSpeed = speed;
        const std::vector<CNote*> notes = ShownNotes(3);
        ASSERT_EQ(notes.size(), 3u);
        CNote* alone = m_manager.CreateNewNote();
        ASSERT_NE(alone, nullptr);
        const std::int64_t aloneId = alone->GetId();
        ASSERT_TRUE(alone->HideSticky(false));
        ASSERT_TRUE(m_manager.IsAnyNoteVisible());

        m_manager.HideAllNotes();
        EXPECT_FALSE(m_manager.IsAnyNoteVisible()) << speed;
        for (CNote* note : notes) {
            EXPECT_FALSE(IsWindowVisible(note->GetHwnd())) << speed;
            EXPECT_TRUE(note->IsVisible()) << speed;
            EXPECT_EQ(VisibleRow(note->GetId()), 1) << speed;
            EXPECT_EQ(m_manager.GetNoteFromWindow(note->GetHwnd()), note) << speed;
            EXPECT_EQ(note->Edges().GetAlpha(), 0) << speed;
        }

        m_manager.ShowAllNotes();
        for (CNote* note : notes) {
            EXPECT_TRUE(IsWindowVisible(note->GetHwnd())) << speed;
            const BYTE expected = note == notes.front() ? 128 : 255;
            EXPECT_EQ(Alpha(note->GetHwnd()), expected) << speed;
            EXPECT_EQ(note->Edges().GetAlpha(), expected) << speed;
        }
        EXPECT_FALSE(m_manager.GetNote(aloneId)->IsVisible()) << speed;
        EXPECT_EQ(m_manager.GetNote(aloneId)->GetHwnd(), nullptr) << speed;
        m_manager.CloseAll();
    }
}

TEST_F(ShowHideTest, TogglingTheOthersHidesThemWhileOneIsVisibleElseShowsThem)
{
    const std::vector<CNote*> notes = ShownNotes(3);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_FALSE(m_manager.ToggleOtherNotes(nullptr));

    EXPECT_TRUE(m_manager.ToggleOtherNotes(notes[0]));
    EXPECT_TRUE(IsWindowVisible(notes[0]->GetHwnd()));
    EXPECT_FALSE(IsWindowVisible(notes[1]->GetHwnd()));
    EXPECT_FALSE(IsWindowVisible(notes[2]->GetHwnd()));
    EXPECT_TRUE(notes[1]->IsVisible());
    EXPECT_FALSE(m_manager.IsAnyNoteVisible(notes[0]));

    EXPECT_TRUE(m_manager.ToggleOtherNotes(notes[0]));
    for (CNote* note : notes)
        EXPECT_TRUE(IsWindowVisible(note->GetHwnd()));
}

TEST_F(ShowHideTest, FadingOutDimsTheShownNotesToAFifthAndOneNoteComesBackAlone)
{
    g_prefs.AnimationSpeed = 2;
    const std::vector<CNote*> notes = ShownNotes(3);
    ASSERT_EQ(notes.size(), 3u);

    TempFadeOut(true, nullptr);
    EXPECT_TRUE(m_manager.IsFadedOut());
    EXPECT_EQ(Alpha(notes[0]->GetHwnd()), MulDiv(128, 20, 100));
    for (CNote* note : notes) {
        EXPECT_TRUE(note->IsFadedOut());
        EXPECT_TRUE(IsWindowVisible(note->GetHwnd()));
    }
    EXPECT_EQ(Alpha(notes[1]->GetHwnd()), 51);

    TempFadeOut(false, notes[1]);
    EXPECT_EQ(Alpha(notes[1]->GetHwnd()), 255);
    EXPECT_FALSE(notes[1]->IsFadedOut());
    EXPECT_EQ(Alpha(notes[2]->GetHwnd()), 51) << "the others stay dimmed";
    EXPECT_TRUE(notes[2]->IsFadedOut());

    TempFadeOut(false, nullptr);
    EXPECT_FALSE(m_manager.IsFadedOut());
    EXPECT_EQ(Alpha(notes[0]->GetHwnd()), 128);
    EXPECT_EQ(Alpha(notes[2]->GetHwnd()), 255);

    // Hiding all, faded or not, forgets the dimming: the notes come back at
    // their own alpha.
    g_prefs.AnimationSpeed = 3;
    TempFadeOut(true, nullptr);
    EXPECT_EQ(Alpha(notes[2]->GetHwnd()), 51);
    m_manager.HideAllNotes();
    EXPECT_FALSE(m_manager.IsFadedOut());
    EXPECT_FALSE(notes[2]->IsFadedOut());
    m_manager.ShowAllNotes();
    EXPECT_EQ(Alpha(notes[2]->GetHwnd()), 255);
}

TEST_F(ShowHideTest, AFadeWhileAnotherGuardedOperationRunsDoesNothing)
{
    const std::vector<CNote*> notes = ShownNotes(1);
    ASSERT_EQ(notes.size(), 1u);
    {
        const CSingleFunctionEntry held(L"HideSticky");
        TempFadeOut(true, nullptr);
    }
    EXPECT_TRUE(LogHasLineStarting(m_log, L"CSingleFunctionEntry - Function TempFadeOut already running"));
    EXPECT_FALSE(m_manager.IsFadedOut());
    EXPECT_FALSE(notes[0]->IsFadedOut());
    EXPECT_EQ(Alpha(notes[0]->GetHwnd()), 128);
    TempFadeOut(true, nullptr);
    EXPECT_TRUE(m_manager.IsFadedOut()) << "the guard was given back";
}

TEST_F(ShowHideTest, TopmostAndRestackingFollowTheSetting)
{
    const std::vector<CNote*> notes = ShownNotes(2);
    ASSERT_EQ(notes.size(), 2u);
    const auto topmost = [](const CNote* note) {
        return (GetWindowLongW(note->GetHwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    };
    m_manager.SetAllTopmost(true);
    EXPECT_TRUE(topmost(notes[0]) && topmost(notes[1]));
    EXPECT_TRUE(IsWindowVisible(notes[0]->Edges().EdgeWindow(kEdgeTop))) << "edges kept";
    m_manager.SetAllTopmost(false);
    EXPECT_FALSE(topmost(notes[0]) || topmost(notes[1]));

    // A window raised over the notes goes below them again.
    const HWND other = RaisedCoverWindow(L"NoteWClass");
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(IsAbove(other, notes[0]->GetHwnd()));
    m_manager.RestoreZOrder();
    EXPECT_TRUE(IsAbove(notes[0]->GetHwnd(), other));
    EXPECT_TRUE(IsAbove(notes[1]->GetHwnd(), other));
    DestroyWindow(other);
}

// ---------------------------------------------------------------- groups

TEST_F(ShowHideTest, AGroupFollowsItsFirstOtherMemberAndANoteInNoGroupIsRefused)
{
    CNote* loose = m_manager.CreateNewNote();
    ASSERT_NE(loose, nullptr);
    const std::int64_t other = GroupNote(5, false);
    EXPECT_FALSE(m_manager.ShowGroupOf(nullptr));
    EXPECT_FALSE(m_manager.ShowGroupOf(loose));
    EXPECT_FALSE(WindowShown(other));

    const std::int64_t own = GroupNote(7, true);
    const std::vector<std::int64_t> members = { GroupNote(7, false), GroupNote(7, true), GroupNote(7, false) };
    // A hidden first member shows every member, stored shown; a shown one
    // hides the others while the note itself stays.
    for (const bool shown : { true, false }) {
        ASSERT_TRUE(m_manager.ShowGroupOf(m_manager.GetNote(own)));
        EXPECT_FALSE(InTransaction());
        for (const std::int64_t id : members) {
            EXPECT_EQ(WindowShown(id), shown) << id;
            EXPECT_EQ(VisibleRow(id), shown ? 1 : 0) << id;
        }
        EXPECT_FALSE(WindowShown(other));
    }
    EXPECT_TRUE(WindowShown(own));
}

// Twenty members and more are shown without a fade; each window still shows.
TEST_F(ShowHideTest, ALargeGroupIsShownWithoutAFadeButWhole)
{
    std::vector<std::int64_t> members;
    for (int i = 0; i < 20; ++i)
        members.push_back(GroupNote(3, false));
    g_prefs.AnimationSpeed = 2;
    ASSERT_TRUE(m_manager.ShowGroupOf(m_manager.GetNote(members.front())));
    for (const std::int64_t id : members) {
        EXPECT_TRUE(WindowShown(id)) << id;
        EXPECT_TRUE(m_manager.GetNote(id)->IsVisible()) << id;
    }
}

// A member whose row cannot be written and a locked one: the others go on, no
// transaction stays open, and the password is asked for only once the
// changes are in the file, whatever the answer.
TEST_F(ShowHideTest, TogglingAGroupStoresFirstAndAsksForPasswordsAfter)
{
    for (const INT_PTR answer : { IDOK, IDCANCEL }) {
        const std::int64_t shown = GroupNote(4, true);
        const std::int64_t hidden = GroupNote(4, false);
        const std::int64_t failing = GroupNote(4, false);
        const std::int64_t locked = LockedGroupNote(4);
        const std::int64_t outsider = GroupNote(9, false);
        RefuseWrites(failing);

        ScopedUiScript script;
        bool askedInTransaction = true;
        script.HandleModal(IDD_UNLOCK_NOTE, [&](const SModalRun&) {
            askedInTransaction = InTransaction();
            return answer;
        });
        m_manager.ToggleGroupVisibility(4);
        EXPECT_FALSE(askedInTransaction) << answer;
        EXPECT_FALSE(InTransaction()) << answer;
        EXPECT_FALSE(WindowShown(shown)) << answer;
        EXPECT_EQ(VisibleRow(shown), 0) << answer;
        EXPECT_TRUE(WindowShown(hidden)) << answer;
        EXPECT_EQ(VisibleRow(hidden), 1) << answer;
        EXPECT_TRUE(WindowShown(failing)) << answer;
        EXPECT_TRUE(m_manager.GetNote(failing)->IsModified()) << answer;
        EXPECT_EQ(VisibleRow(failing), 0) << answer;
        EXPECT_TRUE(WindowShown(locked)) << answer;
        EXPECT_EQ(m_manager.GetNote(locked)->IsLocked(), answer != IDOK) << answer;
        EXPECT_FALSE(WindowShown(outsider)) << answer;

        DB().execDML(L"DROP TRIGGER refuse;");
        DB().execDML(L"UPDATE notes SET `group` = 0;");
        m_manager.CloseAll();
    }
}

// Showing a group prompts for nothing: locked members show locked; failing
// ones are skipped without leaving a transaction open.
TEST_F(ShowHideTest, ShowingAGroupAsksNothingAndLeavesNoTransactionOpen)
{
    const std::int64_t own = GroupNote(6, true);
    const std::int64_t failing = GroupNote(6, false);
    const std::int64_t locked = LockedGroupNote(6);
    RefuseWrites(failing);

    const ScopedUiScript script;   // any prompt fails the test
    ASSERT_TRUE(m_manager.ShowGroupOf(m_manager.GetNote(own)));
    EXPECT_FALSE(InTransaction());
    EXPECT_TRUE(WindowShown(locked));
    EXPECT_TRUE(m_manager.GetNote(locked)->IsLocked());
    EXPECT_EQ(VisibleRow(locked), 1);
    EXPECT_TRUE(WindowShown(failing));
    EXPECT_EQ(VisibleRow(failing), 0);
}

// A NULL group is no group, as the mapping reads it.
TEST_F(ShowHideTest, ANullGroupCountsAsNoGroup)
{
    const std::int64_t id = GroupNote(0, true);
    DB().execDML((L"UPDATE notes SET `group` = NULL WHERE id = " + std::to_wstring(id)).c_str());
    EXPECT_EQ(m_manager.GetGroupNoteIDs(kNoGroup), std::vector<std::int64_t>{ id });
    m_manager.ToggleGroupVisibility(kNoGroup);
    EXPECT_FALSE(WindowShown(id));
}

// ---------------------------------------------------------------- caption font, links, colour

TEST_F(ShowHideTest, ANewCaptionFontGrowsShownWindowsAndHiddenNotesRectangles)
{
    LOGFONTW font = {};
    font.lfHeight = -20;
    wcscpy(font.lfFaceName, L"Tahoma");
    const int growth = 6;
    const int oldHeight = ItsyCaptionHeightFromFont(font) - growth;

    const std::vector<CNote*> shown = ShownNotes(1);
    ASSERT_EQ(shown.size(), 1u);
    RECT before = {};
    GetWindowRect(shown[0]->GetHwnd(), &before);
    struct {
        bool rollRect;
        std::int64_t id;
        WINDOWPLACEMENT placement;
        RECT rolled;
    } hidden[] = { { false, 0, {}, {} }, { true, 0, {}, {} } };
    for (auto& h : hidden) {
        CNote* note = m_manager.CreateNewNote();
        ASSERT_NE(note, nullptr);
        note->SetMinimizeRect({ 10, 20, 110, 40 });
        if (h.rollRect)
            note->Alarm().flags |= kNoteRollRectStored;
        ASSERT_TRUE(note->HideSticky(false));
        h.id = note->GetId();
        h.placement = note->Row().placement;
        h.rolled = note->Row().minimizeRect;
    }

    m_manager.UpdateTitleFont(font, oldHeight);
    RECT after = {};
    GetWindowRect(shown[0]->GetHwnd(), &after);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + growth);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(ItsyGetCaptionSize(shown[0]->GetHwnd()), oldHeight + growth);
    EXPECT_TRUE(LogHasLineStarting(m_log, L"UpdateTitleFont for "));

    m_manager.CloseAll();
    for (const auto& h : hidden) {
        const CNote* note = m_manager.GetNote(h.id);
        ASSERT_NE(note, nullptr);
        const RECT& normal = note->Row().placement.rcNormalPosition;
        EXPECT_EQ(normal.bottom, h.placement.rcNormalPosition.bottom + growth) << h.rollRect;
        EXPECT_EQ(normal.top, h.placement.rcNormalPosition.top) << h.rollRect;
        EXPECT_EQ(note->Row().minimizeRect.bottom, h.rolled.bottom + (h.rollRect ? growth : 0)) << h.rollRect;
    }
}

// The hidden notes go in one batch; a row refused by the file is logged under
// the caption change, its note stays modified, and the others are stored.
TEST_F(ShowHideTest, ACaptionFontChangeStoresTheHiddenNotesTogetherAndOneRefusalLosesNoOther)
{
    LOGFONTW font = {};
    font.lfHeight = -20;
    wcscpy(font.lfFaceName, L"Tahoma");
    const int growth = 4;
    std::vector<std::int64_t> ids;
    std::vector<LONG> bottoms;
    for (int n = 0; n < 3; ++n) {
        CNote* note = m_manager.CreateNewNote();
        ASSERT_NE(note, nullptr);
        ASSERT_TRUE(note->HideSticky(false));
        ids.push_back(note->GetId());
        bottoms.push_back(note->Row().placement.rcNormalPosition.bottom);
    }
    const std::int64_t refused = ids[1];
    DB().execDML((L"CREATE TRIGGER refuse_one BEFORE UPDATE ON notes WHEN old.id = " + std::to_wstring(refused) +
                  L" BEGIN SELECT RAISE(ABORT, 'refused'); END")
                     .c_str());
    m_log.Clear();
    m_manager.UpdateTitleFont(font, ItsyCaptionHeightFromFont(font) - growth);
    EXPECT_TRUE(LogHasLineStarting(m_log, L"Storing 3 notes together failed"));
    EXPECT_TRUE(LogHasLineStarting(m_log, L"CNoteManager::UpdateTitleFont Sqlite3 error"));
    EXPECT_TRUE(m_manager.GetNote(refused)->IsModified());
    DB().execDML(L"DROP TRIGGER refuse_one");

    m_manager.CloseAll();
    for (size_t n = 0; n < ids.size(); ++n) {
        const CNote* note = m_manager.GetNote(ids[n]);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->Row().placement.rcNormalPosition.bottom, bottoms[n] + (ids[n] == refused ? 0 : growth)) << n;
    }
}

TEST_F(ShowHideTest, HiddenNotesKeepTextInEveryScriptThroughCaptionFontStoresAndRestarts)
{
    // Polish, Turkish, Vietnamese, Greek, Cyrillic, CJK and an emoji.
    const std::wstring words = L"Zażółć gęślą\r\nIğdır şişe\r\nTiếng Việt\r\nΕλληνικά\r\nКириллица\r\n漢字かな\r\n\U0001F600 end";
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    SetWindowTextW(note->GetEditHwnd(), words.c_str());
    ASSERT_TRUE(note->HideSticky(false));
    const std::int64_t id = note->GetId();
    const auto row = [&] {
        CppSQLite3Query query = DB().execQuery(
            (L"select hex(text) || '|' || hex(displaytext) from notes where id = " + std::to_wstring(id)).c_str());
        return query.eof() ? std::wstring(L"<no row>") : QueryText(query, 0);
    };
    LOGFONTW font = {};
    wcscpy(font.lfFaceName, L"Tahoma");
    for (const LONG height : { -20, -24 }) {
        // Each new font grows and stores the hidden note; then a restart.
        font.lfHeight = height;
        m_manager.UpdateTitleFont(font, ItsyCaptionHeightFromFont(font) - 4);
        m_manager.CloseAll();
        const std::wstring stored = row();
        const sqlite3_int64 changes = DB().execScalar(L"select total_changes()");
        const CNote* again = m_manager.GetNote(id);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(std::wstring(again->GetPlainText().c_str()), words) << height;
        EXPECT_EQ(DB().execScalar(L"select total_changes()"), changes) << "a read writes no row";
        EXPECT_EQ(row(), stored);
    }
}

TEST_F(ShowHideTest, LinkDetectionFollowsTheSettingAgain)
{
    const std::vector<CNote*> notes = ShownNotes(2);
    ASSERT_EQ(notes.size(), 2u);
    for (const bool enabled : { false, true }) {
        g_prefs.EnableURLDetection = enabled;
        EXPECT_TRUE(m_manager.RedetectUrls());
        for (CNote* note : notes)
            EXPECT_EQ(note->UrlDetect().IsEnabled(), enabled);
    }
}

// A 256-entry palette in the application module for the life of the object,
// the notes' entries from base on.
class CScopedPalette {
public:
    explicit CScopedPalette(UINT base)
    {
        std::vector<BYTE> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
        auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
        palette->palVersion = 0x300;
        palette->palNumEntries = 256;
        g_appModule.SetPalette(CreatePalette(palette), base);
    }
    ~CScopedPalette() { g_appModule.SetPalette(nullptr); }
    CScopedPalette(const CScopedPalette&) = delete;
    CScopedPalette& operator=(const CScopedPalette&) = delete;
};

// The caption takes the note colour; on a 256-colour screen the note is
// filled through its own palette entry, set to that colour, while the row
// keeps the colour itself. An entry past the palette fills with the colour.
TEST_F(ShowHideTest, ANoteWindowPaintsItsColourThroughItsPaletteEntry)
{
    const std::vector<CNote*> notes = ShownNotes(1);
    ASSERT_EQ(notes.size(), 1u);
    CNote* note = notes[0];
    const auto brushColor = [note] {
        LOGBRUSH brush = {};
        GetObjectW(note->GetBrush(), sizeof(brush), &brush);
        return brush.lbColor;
    };
    const COLORREF color = RGB(200, 100, 50);
    const UINT slot = static_cast<UINT>(note->GetId() & 0xFF);
    const struct {
        bool palette;
        UINT base;
        COLORREF brush;
    } cases[] = {
        { false, 0, color },
        { true, 20, PALETTEINDEX(20 + slot) },
        { true, 256 - slot, color },
    };
    for (const auto& c : cases) {
        std::unique_ptr<CScopedPalette> palette;
        if (c.palette) {
            palette = std::make_unique<CScopedPalette>(c.base);
            ASSERT_NE(g_appModule.GetPalette(), nullptr);
        }
        note->SetColor(RGB(1, 2, 3));
        note->SetColor(color);
        EXPECT_EQ(brushColor(), c.brush) << c.base;
        EXPECT_EQ(ItsyGetCaptionColor(note->GetHwnd()), 0x02000000u | color) << c.base;
        EXPECT_EQ(note->GetColor(), 0x02000000u | color) << c.base;
        // Setting the editor's background answers the one it had.
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(note->GetEditHwnd(), EM_SETBKGNDCOLOR, 0, c.brush)), c.brush)
            << c.base;
        if (c.brush != color) {
            PALETTEENTRY entry = {};
            ASSERT_EQ(GetPaletteEntries(g_appModule.GetPalette(), c.base + slot, 1, &entry), 1u);
            EXPECT_EQ(RGB(entry.peRed, entry.peGreen, entry.peBlue), color);
        }
    }
}

}  // namespace
