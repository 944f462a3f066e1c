// Notes attached to other windows: placing them, the posted events, the
// refresh and the idle sweep, with frames of another thread as targets.
#include "AttachedNotesTest.h"

#include "notestore/AttachedNotes.h"

namespace {

const RECT kTargetRect = {200, 150, 600, 450};

// A window of our own class over part of the screen, above the targets.
class CCover {
public:
    explicit CCover(const RECT& rect)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"AttachedNotesCover";   // a STATIC is transparent to WindowFromPoint
        RegisterClassW(&wc);
        m_window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE,
                                   rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                   nullptr, wc.hInstance, nullptr);
    }
    ~CCover() { DestroyWindow(m_window); }
    CCover(const CCover&) = delete;
    CCover& operator=(const CCover&) = delete;

private:
    HWND m_window;
};

TEST(AttachedNotePosition, CornerModesAndTheFitIntoTheWorkArea)
{
    const RECT target = {200, 150, 600, 450};
    const SIZE note = {100, 80};
    struct Case { int mode; POINT expected; };
    const Case cases[] = {
        {1, {100, 150}},   // left of it, tops aligned
        {2, {601, 150}},   // one pixel right of its right edge
        {3, {100, 370}},   // left of it, bottoms aligned
        {4, {601, 370}},
    };
    for (const Case& c : cases) {
        const POINT at = AttachedNotePosition(c.mode, target, note, nullptr);
        EXPECT_EQ(at.x, c.expected.x) << c.mode;
        EXPECT_EQ(at.y, c.expected.y) << c.mode;
    }
    // At the screen's edges, kept on the work area only when asked.
    const RECT edge = {0, 0, 640, 400};
    const RECT area = {0, 0, 640, 480};
    EXPECT_EQ(AttachedNotePosition(1, edge, note, nullptr).x, -100);
    EXPECT_EQ(AttachedNotePosition(1, edge, note, &area).x, 0);
    EXPECT_EQ(AttachedNotePosition(4, edge, note, &area).x, 540);
    EXPECT_EQ(AttachedNotePosition(4, edge, note, &area).y, 320);
}

TEST(IsWindowUncovered, SamplesThreePointsAndRefusesHiddenOrMinimisedWindows)
{
    // Samples of the target: (200,150), (300,225), (500,375).
    struct Case { RECT cover; bool uncovered; const char* what; };
    const Case cases[] = {
        {{190, 140, 250, 200}, true, "first point covered"},
        {{190, 140, 350, 260}, true, "first two covered"},
        {{190, 140, 550, 400}, false, "all three covered"},
    };
    CForeignWindowThread target(L"UncoveredTarget", L"Uncovered target", kTargetRect);
    EXPECT_TRUE(CNoteManager::IsWindowUncovered(target.Frame()));
    for (const Case& c : cases) {
        const CCover cover(c.cover);
        EXPECT_EQ(CNoteManager::IsWindowUncovered(target.Frame()), c.uncovered) << c.what;
    }
    ShowWindow(target.Frame(), SW_MINIMIZE);
    EXPECT_FALSE(CNoteManager::IsWindowUncovered(target.Frame()));
    ShowWindow(target.Frame(), SW_HIDE);
    EXPECT_FALSE(CNoteManager::IsWindowUncovered(target.Frame()));
    EXPECT_FALSE(CNoteManager::IsWindowUncovered(nullptr));
}

TEST_F(CAttachedNotesTest, PlacesAHiddenNoteAndLeavesItForAMinimisedTarget)
{
    CForeignWindowThread target(L"PlaceTarget", L"Place target", kTargetRect);
    CNote* note = AttachedNote(L"Place target", 2);
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    ASSERT_TRUE(note->HideSticky(false));
    note->Attachment().SetMatchedWindow(target.Frame());
    m_manager.PlaceAttachedNote(target.Frame(), note);
    ASSERT_TRUE(Shown(*note));
    EXPECT_EQ(TopLeft(*note).x, 601);
    EXPECT_EQ(TopLeft(*note).y, 150);

    // Mode 0 shows the note where it is.
    SetWindowPos(note->GetHwnd(), nullptr, 10, 20, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    note->Attachment().SetMoveWith(0);
    m_manager.PlaceAttachedNote(target.Frame(), note);
    EXPECT_EQ(TopLeft(*note).x, 10);

    note->Attachment().SetMoveWith(3);
    ShowWindow(target.Frame(), SW_MINIMIZE);
    m_manager.PlaceAttachedNote(target.Frame(), note);
    EXPECT_EQ(TopLeft(*note).x, 10);   // a minimised target moves nothing
    EXPECT_EQ(m_manager.GetNote(id), note);
}

// One row per event, in order: the note starts shown at (10, 20) or hidden,
// the title map holds what the row before left; afterwards the note is
// placed beside the target, hidden or untouched, and the map holds mapAfter.
TEST_F(CAttachedNotesTest, HandleWindowEventTable)
{
    const wchar_t kAttached[] = L"Handled target";
    const wchar_t kOther[] = L"Handled other";
    CForeignWindowThread target(L"HandledTarget", kAttached, kTargetRect);
    const HWND window = target.Frame();
    CNote* const created = AttachedNote(kAttached, 4);
    ASSERT_NE(created, nullptr);
    const std::int64_t id = created->GetId();
    const POINT beside = {601, kTargetRect.bottom - Size(*created).cy};

    enum EStart { eShown, eHidden };
    enum EOutcome { ePlaced, eHiddenAfter, eUntouched };
    struct Case {
        DWORD event; const wchar_t* title; EStart start; EOutcome outcome; const wchar_t* mapAfter; const char* what;
    };
    const Case cases[] = {
        {EVENT_SYSTEM_FOREGROUND, kAttached, eHidden, ePlaced, nullptr, "foreground shows a hidden note"},
        {EVENT_SYSTEM_MOVESIZEEND, kAttached, eShown, ePlaced, nullptr, "moved"},
        {EVENT_SYSTEM_MINIMIZESTART, kAttached, eShown, eHiddenAfter, nullptr, "minimise start"},
        {EVENT_SYSTEM_MINIMIZEEND, kAttached, eHidden, ePlaced, nullptr, "minimise end"},
        {EVENT_OBJECT_SHOW, kAttached, eHidden, ePlaced, nullptr, "shown"},
        {EVENT_OBJECT_HIDE, kAttached, eShown, eUntouched, nullptr, "hidden, but still seen"},
        {EVENT_OBJECT_LOCATIONCHANGE, kAttached, eShown, ePlaced, nullptr, "location"},
        {EVENT_SYSTEM_MOVESIZESTART, kAttached, eShown, eUntouched, nullptr, "an event without an action"},
        {EVENT_SYSTEM_FOREGROUND, kOther, eHidden, eUntouched, nullptr, "a title without notes"},
        {EVENT_SYSTEM_FOREGROUND, L"", eHidden, eUntouched, nullptr, "empty title"},
        {EVENT_OBJECT_CREATE, kAttached, eHidden, ePlaced, kAttached, "created"},
        {EVENT_OBJECT_NAMECHANGE, kAttached, eHidden, ePlaced, kAttached, "named as before"},
        {EVENT_OBJECT_NAMECHANGE, kOther, eShown, eHiddenAfter, kOther, "renamed away from the attached title"},
        {EVENT_OBJECT_NAMECHANGE, kAttached, eHidden, ePlaced, kAttached, "renamed to the attached title"},
        {EVENT_OBJECT_DESTROY, kAttached, eShown, eHiddenAfter, nullptr, "destroyed"},
    };
    for (const Case& c : cases) {
        CNote* note = m_manager.GetNote(id);
        ASSERT_NE(note, nullptr) << c.what;
        if (c.start == eShown) {
            ASSERT_TRUE(note->Show(false, true)) << c.what;
            SetWindowPos(note->GetHwnd(), nullptr, 10, 20, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
        } else if (note->GetHwnd()) {
            ASSERT_TRUE(note->HideSticky(false)) << c.what;
        }

        EXPECT_TRUE(m_manager.HandleWindowEvent(c.event, c.title, window, false)) << c.what;

        note = m_manager.GetNote(id);
        ASSERT_NE(note, nullptr) << c.what;
        if (c.outcome == ePlaced) {
            EXPECT_TRUE(Shown(*note)) << c.what;
            EXPECT_EQ(TopLeft(*note).x, beside.x) << c.what;
            EXPECT_EQ(TopLeft(*note).y, beside.y) << c.what;
        } else if (c.outcome == eHiddenAfter) {
            EXPECT_FALSE(Shown(*note)) << c.what;
        } else {
            EXPECT_EQ(Shown(*note), c.start == eShown) << c.what;
            if (c.start == eShown) {
                EXPECT_EQ(TopLeft(*note).x, 10) << c.what;
            }
        }
        CStdStr entry;
        EXPECT_EQ(m_manager.FindWindowTitle(window, entry), c.mapAfter != nullptr) << c.what;
        if (c.mapAfter) {
            EXPECT_EQ(entry, c.mapAfter) << c.what;
        }
    }
}

TEST_F(CAttachedNotesTest, TwoNotesOnOneTitleAndNoDatabase)
{
    CForeignWindowThread target(L"SharedTarget", L"Shared target", kTargetRect);
    CNote* left = AttachedNote(L"Shared target", 1);
    CNote* right = AttachedNote(L"Shared target", 2);
    ASSERT_TRUE(left && right);
    const std::int64_t ids[] = {left->GetId(), right->GetId()};
    for (std::int64_t id : ids)
        ASSERT_TRUE(m_manager.GetNote(id)->HideSticky(false));

    m_manager.HandleWindowEvent(EVENT_SYSTEM_FOREGROUND, L"Shared target", target.Frame(), false);
    left = m_manager.GetNote(ids[0]);
    right = m_manager.GetNote(ids[1]);
    ASSERT_TRUE(Shown(*left) && Shown(*right));
    EXPECT_EQ(TopLeft(*left).x, kTargetRect.left - Size(*left).cx);
    EXPECT_EQ(TopLeft(*right).x, kTargetRect.right + 1);

    // Without a database nothing changes.
    const CStdStr path = m_manager.GetDatabasePath();
    m_manager.CloseDB();
    m_manager.SetDatabasePath(L"");
    EXPECT_TRUE(m_manager.HandleWindowEvent(EVENT_SYSTEM_MINIMIZESTART, L"Shared target", target.Frame(), false));
    EXPECT_TRUE(Shown(*left) && Shown(*right));
    m_manager.SetDatabasePath(path.c_str());
}

TEST_F(CAttachedNotesTest, RefreshPlacesHidesAndStopsTheListener)
{
    CForeignWindowThread lower(L"RefreshTarget", L"Refresh target", {100, 100, 400, 300});
    CForeignWindowThread upper(L"RefreshTarget", L"Refresh target", kTargetRect);   // the same title, on top
    CNote* placed = AttachedNote(L"Refresh target", 2);
    CNote* missing = AttachedNote(L"Refresh nowhere", 2);
    ASSERT_TRUE(placed && missing);
    const std::int64_t placedId = placed->GetId(), missingId = missing->GetId();
    ASSERT_TRUE(placed->HideSticky(false));
    {
        CLogCapture log;
        m_manager.RefreshAttachedNotes();
        EXPECT_TRUE(m_manager.IsListenerRunning());
    }
    placed = m_manager.GetNote(placedId);
    missing = m_manager.GetNote(missingId);
    ASSERT_TRUE(Shown(*placed));
    EXPECT_EQ(TopLeft(*placed).x, kTargetRect.right + 1);   // beside the top one of the two
    EXPECT_EQ(placed->Attachment().GetMatchedWindow(), upper.Frame());
    EXPECT_FALSE(Shown(*missing));
    CStdStr entry;
    EXPECT_TRUE(m_manager.FindWindowTitle(lower.Frame(), entry));

    // The idle sweep: a destroyed target hides its note, and its handle is forgotten.
    const HWND gone = upper.Frame();
    upper.Close();
    m_manager.HideOrphanedAttachedNotes();
    EXPECT_FALSE(Shown(*m_manager.GetNote(placedId)));
    EXPECT_FALSE(m_manager.FindWindowTitle(gone, entry));

    // No rows left: the listener stops, with its line.
    for (std::int64_t id : {placedId, missingId}) {
        CNote* note = m_manager.GetNote(id);
        note->Attachment().SetAttachment(*note, L"", 0);
    }
    CLogCapture log;
    m_manager.RefreshAttachedNotes();
    EXPECT_FALSE(m_manager.IsListenerRunning());
    EXPECT_TRUE(log.Contains(L"Closing window thread listener"));
}

} // namespace
