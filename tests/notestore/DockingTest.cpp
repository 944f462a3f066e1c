// Magnetic docking: the edge geometry, distances of rectangles, the clip
// classification, and the note manager's walks over shown note windows.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "RecordTestSupport.h"
#include "notestore/Note.h"
#include "notestore/docking.h"

namespace {

constexpr RECT kOther = {100, 100, 200, 200};

TEST(EdgeRelation, EverySideAndBothAlignments)
{
    struct Case {
        const char* what;
        RECT moving;
        unsigned flags;
        POINT position, guide;
        int dx, dy;
        bool hasDx, hasDy;
    };
    const Case cases[] = {
        // 10 right, tops 3 apart: distance about 10.4, snapped one pixel right with the tops aligned
        {"right", {210, 103, 260, 153}, 0x101, {201, 100}, {201, 100}, 10, 3, true, true},
        // bottoms are closer than tops: aligned at the bottom
        {"left, bottoms", {40, 150, 90, 195}, 0x102, {49, 155}, {79, 190}, 10, 5, true, true},
        {"below", {120, 230, 170, 280}, 0x404, {100, 201}, {100, 201}, 20, 30, true, true},
        {"above, left of its left edge", {80, 20, 130, 90}, 0x808, {100, 29}, {100, 89}, -20, 10, true, true},
        // rights are closer than lefts: aligned at the right
        {"above, rights", {160, 50, 190, 95}, 0x408, {170, 54}, {180, 89}, 10, 5, true, true},
        {"diagonal", {210, 210, 260, 260}, 0x5, {100, 100}, {100, 100}, 0, 0, false, false},
        {"exactly aligned", {200, 100, 250, 200}, 0x101, {201, 100}, {201, 100}, 0, 0, true, true},
        {"above its top", {150, 90, 250, 150}, 0x600, {100, 100}, {100, 100}, 50, -10, true, true},
    };
    for (const Case& c : cases) {
        const SEdgeRelation r = GetEdgeRelation(c.moving, kOther, 20, 10);
        EXPECT_EQ(r.flags, c.flags) << c.what;
        EXPECT_EQ(r.position.x, c.position.x) << c.what;
        EXPECT_EQ(r.position.y, c.position.y) << c.what;
        EXPECT_EQ(r.guide.x, c.guide.x) << c.what;
        EXPECT_EQ(r.guide.y, c.guide.y) << c.what;
        EXPECT_EQ(r.dx, c.dx) << c.what;
        EXPECT_EQ(r.dy, c.dy) << c.what;
        EXPECT_EQ(r.hasDx, c.hasDx) << c.what;
        EXPECT_EQ(r.hasDy, c.hasDy) << c.what;
    }
}

TEST(RectDistances, TouchingOverlappingReversedAndApart)
{
    const RECT a = {0, 0, 100, 100};
    struct Case {
        const char* what;
        RECT b;
        int horizontal, vertical;
    };
    const Case cases[] = {
        {"touching, tops aligned", {100, 0, 200, 100}, 0, 0},
        {"overlapping", {50, 60, 150, 160}, -50, -40},
        {"reversed, 50 px right", {250, 100, 150, 0}, 50, 0},
        {"50 px right and down", {150, 50, 250, 150}, 50, 50},
        {"touching, tops 50 apart", {100, 50, 200, 150}, 0, 50},
    };
    for (const Case& c : cases) {
        const SRectDistances d = GetRectDistances(a, c.b);
        EXPECT_EQ(d.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(d.vertical, c.vertical) << c.what;
    }
}

// Wine's clip box ignores other windows, so "partly covered" is shown here.
TEST(ClipState, ClassifiesTheClipBox)
{
    const RECT whole = {0, 0, 80, 60};
    struct Case {
        int region;
        RECT clip;
        int state;
    };
    const Case cases[] = {
        {NULLREGION, {0, 0, 0, 0}, 0},
        {ERROR, {0, 0, 0, 0}, 0},
        {SIMPLEREGION, whole, 1},
        {SIMPLEREGION, {0, 0, 40, 60}, -1},
        {COMPLEXREGION, whole, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyClipBox(c.region, c.clip, whole), c.state) << c.region << " " << c.clip.right;
}

class DockingTest : public CNoteStoreTest {
protected:
    void SetUp() override
    {
        CNoteStoreTest::SetUp();
        RegisterTestWindowClass(L"NoteWClass");
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CNoteStoreTest::TearDown();
    }

    // A stored note with a window at rect, in the window map; shown sets both
    // the note's flag and the window's visibility unless told otherwise.
    CNote* NoteAt(const RECT& rect, bool shown = true, bool windowVisible = true)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().placement.length = sizeof(WINDOWPLACEMENT);
        note->Row().placement.rcNormalPosition = rect;
        note->Row().visible = shown;
        if (!note->CreateBareWindow() || !m_manager.StoreNote(note))
            throw std::runtime_error("the test note was not made");
        if (windowVisible)
            ShowWindow(note->GetHwnd(), SW_SHOWNOACTIVATE);
        m_manager.AddWindow(note);
        return note;
    }
};

TEST_F(DockingTest, WindowClipStateFollowsVisibility)
{
    CNote* shown = NoteAt({10, 10, 60, 60});
    CNote* hidden = NoteAt({70, 10, 120, 60}, true, false);
    EXPECT_NE(GetWindowClipState(shown->GetHwnd()), 0);
    EXPECT_EQ(GetWindowClipState(hidden->GetHwnd()), 0);
    EXPECT_EQ(GetWindowClipState(nullptr), 0);
}

TEST_F(DockingTest, SnapTargetIsTheNearestShownNoteOtherThanTheMover)
{
    CNote* a = NoteAt(kOther);
    NoteAt({300, 100, 400, 200});
    // Nearer than both to the first proposal, but not to be snapped to.
    NoteAt({262, 100, 300, 200}, false, true);
    NoteAt({262, 100, 300, 200}, true, false);
    CNote* mover = NoteAt({205, 103, 255, 153});

    struct Case {
        const char* what;
        RECT proposed;
        int distance, orientation;
        SIZE extent;
        POINT position;
    };
    const Case cases[] = {
        {"right of a", {210, 103, 260, 153}, 10, 2, {50, 100}, {201, 100}},
        {"touching a, tops aligned: distance 0 counts", {200, 100, 250, 200}, 0, 2, {50, 100}, {201, 100}},
        {"below a", {120, 230, 170, 280}, 36, 0, {100, 50}, {100, 201}},
        {"above a", {80, 20, 130, 90}, 22, 1, {100, 70}, {100, 29}},
        {"left of a", {40, 150, 90, 195}, 11, 3, {50, 100}, {49, 155}},
    };
    for (const Case& c : cases) {
        SSnapQuery snap;
        snap.guideWidth = 20;
        snap.guideHeight = 10;
        m_manager.FindSnapTarget(c.proposed, mover, snap);
        EXPECT_EQ(snap.target, a) << c.what;
        EXPECT_EQ(snap.distance, c.distance) << c.what;
        EXPECT_EQ(snap.orientation, c.orientation) << c.what;
        EXPECT_EQ(snap.extent.cx, c.extent.cx) << c.what;
        EXPECT_EQ(snap.extent.cy, c.extent.cy) << c.what;
        EXPECT_EQ(snap.position.x, c.position.x) << c.what;
        EXPECT_EQ(snap.position.y, c.position.y) << c.what;
    }
}

TEST_F(DockingTest, WithoutACandidateThereIsNoTarget)
{
    CNote* mover = NoteAt({205, 103, 255, 153});
    NoteAt({400, 400, 450, 450}, true, false);
    NoteAt({300, 300, 350, 350});   // diagonal: no offset in either axis
    SSnapQuery snap;
    snap.orientation = 3;
    m_manager.FindSnapTarget({205, 103, 255, 153}, mover, snap);
    EXPECT_EQ(snap.target, nullptr);
    EXPECT_EQ(snap.distance, INT_MAX);
    EXPECT_EQ(snap.orientation, 0);
}

TEST_F(DockingTest, DockedNotesFollowAChainAndNeverTheDraggedNote)
{
    CNote* a = NoteAt({100, 100, 200, 200});
    CNote* b = NoteAt({200, 100, 300, 200});
    CNote* c = NoteAt({300, 100, 400, 200});
    NoteAt({450, 100, 550, 200});            // 50 px off
    NoteAt({400, 150, 500, 250});            // touching, tops 50 apart
    NoteAt({100, 200, 200, 300}, false);     // touching, but hidden
    std::set<std::int64_t> docked;
    EXPECT_EQ(m_manager.CollectDockedNotes(a, nullptr, docked), 2);
    EXPECT_EQ(docked, (std::set<std::int64_t>{b->GetId(), c->GetId()}));

    docked.clear();
    EXPECT_EQ(m_manager.CollectDockedNotes(a, b, docked), 0) << "the chain runs through the excluded note";

    // A ring of four: the walk comes back to where it started.
    CNote* p = NoteAt({600, 300, 700, 400});
    CNote* q = NoteAt({700, 300, 800, 400});
    CNote* r = NoteAt({600, 400, 700, 500});
    CNote* s = NoteAt({700, 400, 800, 500});
    for (CNote* start : {p, q, r, s}) {
        docked.clear();
        EXPECT_EQ(m_manager.CollectDockedNotes(start, nullptr, docked), 3);
        EXPECT_EQ(docked.count(start->GetId()), 0u);
    }
}

} // namespace
