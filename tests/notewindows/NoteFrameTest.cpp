// The note frame on real notes: what a move or size stamps, what closing
// deletes, magnetic docking and Shift-drags, rolling up and back, the timers,
// activation, painting and the note menu, and frames without a note.
#include <gtest/gtest.h>

#include <richedit.h>

#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CaptionTestFrame.h"
#include "NoteFrameTestSupport.h"
#include "foundation/SoundPlayer.h"
#include "notestore/NoteAlarm.h"
#include "notewindows/VeduVure.h"
#include "resources/resource.h"
#include "tests/support/ScopedUiScript.h"
#include "toolkit/AlphaNotifierWnd.h"
#include "toolkit/WindowPicker.h"

namespace {

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

RECT ClientRect(HWND window)
{
    RECT rect = {};
    GetClientRect(window, &rect);
    return rect;
}

const COleDateTime kLongAgo(2001, 2, 3, 0, 0, 0);  // exact in any text form

// ---- position changes

TEST_F(CNoteFrameTest, OnlyAMoveOrSizeOfAShownNoteThatIsNotBeingPlacedStampsIt)
{
    g_prefs.SmartFit = true;
    // The rows squeeze the editor; a fit to the text answering that would be a
    // size of its own.
    g_prefs.SmartSize = false;
    CNote* note = MakeNote({200, 200, 450, 400});
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    const HWND editor = note->GetEditHwnd();
    constexpr UINT kMove = SWP_NOSIZE | SWP_NOZORDER;
    constexpr UINT kSize = SWP_NOMOVE | SWP_NOZORDER;
    constexpr UINT kShow = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    constexpr UINT kHide = SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    constexpr UINT kRestack = SWP_NOMOVE | SWP_NOSIZE;
    constexpr UINT kNone = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    constexpr int kUntouched = 77;  // the edges' alpha before each row
    struct Case {
        const char* what;
        bool placing;
        bool visible;
        UINT flags;
        WPARAM keepEditor;
        bool stamped;
        bool refit;
        bool timer;
        int alpha;
    };
    const Case cases[] = {
        {"moved", false, true, kMove, 0, true, false, true, kUntouched},
        {"sized", false, true, kSize, 0, true, true, true, kUntouched},
        {"sized, editor left alone", false, true, kSize, 1, true, false, true, kUntouched},
        // placing from the row, or a hidden window: the rest of the change still runs
        {"moved while placing", true, true, kMove, 0, false, false, true, kUntouched},
        {"sized while placing", true, true, kSize, 0, false, true, true, kUntouched},
        {"hidden, moved", false, false, kMove, 0, false, false, true, 0},
        {"hidden, sized", false, false, kSize, 0, false, true, true, 0},
        {"shown", false, true, kShow, 0, false, false, false, 255},
        {"hidden now", false, true, kHide, 0, false, false, false, 0},
        {"restacked", false, true, kRestack, 0, false, false, false, kUntouched},
        {"nothing at all: not even the edges", false, true, kNone, 0, false, false, false, kUntouched},
        {"nothing, but hidden", false, false, kNone, 0, false, false, false, 0},
    };
    for (const Case& c : cases) {
        ShowWindow(frame, c.visible ? SW_SHOWNA : SW_HIDE);
        note->Row().lastUpdateDate = kLongAgo;
        note->SetModified(false);
        KillTimer(frame, 159);
        SetWindowPos(editor, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
        note->Edges().SetAlpha(kUntouched);
        const RECT rect = WindowRect(frame);
        WINDOWPOS pos = {frame, nullptr, rect.left, rect.top, Width(rect), Height(rect), c.flags};
        {
            std::optional<CNote::PlacingScope> placing;
            if (c.placing)
                placing.emplace(*note);
            SendMessageW(frame, WM_WINDOWPOSCHANGED, c.keepEditor, reinterpret_cast<LPARAM>(&pos));
        }
        EXPECT_EQ(note->Row().lastUpdateDate.m_dt != kLongAgo.m_dt, c.stamped) << c.what;
        EXPECT_EQ(note->IsModified(), c.stamped) << c.what;
        const RECT editorRect = ClientRect(editor);
        const RECT frameClient = ClientRect(frame);
        EXPECT_EQ(Width(editorRect) == Width(frameClient) && Height(editorRect) == Height(frameClient), c.refit)
            << c.what;
        EXPECT_EQ(KillTimer(frame, 159) != FALSE, c.timer) << c.what;
        EXPECT_EQ(note->Edges().GetAlpha(), c.alpha) << c.what;
    }
}

TEST_F(CNoteFrameTest, ANoteLoadedTheStartUpWayKeepsItsRow)
{
    g_prefs.SmartFit = true;
    CNote* note = MakeNote({150, 120, 400, 330});
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    ASSERT_TRUE(note->HideSticky(false));
    ASSERT_EQ(DB().execDML((L"update notes set visible = 1, lastupdatedate = " + std::to_wstring(kLongAgo.m_dt) +
                            L" where id = " + std::to_wstring(id)).c_str()),
              1);
    note = m_manager.GetNote(id);
    ASSERT_NE(note, nullptr);
    std::unique_ptr<CNote> unloaded = m_manager.RemoveNote(note);
    unloaded.reset();

    CNote* loaded = m_manager.LoadAndShowNote(id);
    ASSERT_NE(loaded, nullptr);
    ASSERT_TRUE(IsWindowVisible(loaded->GetHwnd()));
    EXPECT_EQ(WindowRect(loaded->GetHwnd()).left, 150);
    EXPECT_FALSE(loaded->IsModified()) << "loading is no edit";
    EXPECT_DOUBLE_EQ(loaded->Row().lastUpdateDate.m_dt, kLongAgo.m_dt);
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    EXPECT_EQ(Scalar((L"select count(*) from notes where id = " + std::to_wstring(id) +
                      L" and lastupdatedate = " + std::to_wstring(kLongAgo.m_dt)).c_str()),
              1);
}

// ---- closing

struct SSoundLog {
    static inline std::vector<std::wstring> commands;
    static MCIERROR Send(const wchar_t* command, HWND)
    {
        commands.emplace_back(command);
        return 0;
    }
    static UINT Device(const wchar_t*) { return 1; }
};

TEST_F(CNoteFrameTest, ClosingDeletesOnlyANoteWithNothingInItAndSaysSo)
{
    wcscpy_s(g_prefs.DeleteNote, L"C:\\delete.wav");
    const CSeamOverride<SSoundSeam> sound(g_soundSeam, {&SSoundLog::Send, &SSoundLog::Device});
    enum EKind { kText, kEmpty, kTitled, kAlarmed, kAttached, kLocked, kBareWithText };
    struct Case {
        const char* what;
        EKind kind;
        bool deleted;
    };
    const Case cases[] = {
        {"text", kText, false},
        {"empty", kEmpty, true},
        {"empty, titled", kTitled, false},
        {"empty, with an alarm", kAlarmed, false},
        {"empty, attached", kAttached, false},
        {"empty, locked", kLocked, false},
        // no editor to ask: the stored text counts
        {"a bare window with stored text", kBareWithText, false},
    };
    for (const Case& c : cases) {
        SSoundLog::commands.clear();
        CNote* note = MakeNote({100, 100, 300, 300}, c.kind == kText || c.kind == kBareWithText ? L"kept" : L"");
        ASSERT_NE(note, nullptr) << c.what;
        const std::int64_t id = note->GetId();
        switch (c.kind) {
        case kTitled: note->SetTitle(L"Shopping"); break;
        case kAlarmed: note->Alarm().flags |= kAlarmSet; break;
        case kAttached: ASSERT_TRUE(note->Attachment().SetAttachment(*note, L"Some Editor", 1)) << c.what; break;
        case kLocked: note->HideText(); break;
        case kBareWithText:
            ASSERT_TRUE(note->HideSticky(false)) << c.what;
            ASSERT_TRUE(note->CreateBareWindow()) << c.what;
            m_manager.AddWindow(note);
            break;
        default: break;
        }
        ASSERT_TRUE(m_manager.StoreNote(note)) << c.what;
        SendMessageW(note->GetHwnd(), WM_CLOSE, 0, 0);
        EXPECT_EQ(Scalar((L"select count(*) from notes where id = " + std::to_wstring(id)).c_str()), c.deleted ? 0 : 1)
            << c.what;
        if (!c.deleted) {
            EXPECT_EQ(Scalar((L"select visible from notes where id = " + std::to_wstring(id)).c_str()), 0) << c.what;
        }
        const bool played =
            !SSoundLog::commands.empty() && SSoundLog::commands[0].find(L"delete.wav") != std::wstring::npos;
        EXPECT_EQ(played, c.deleted) << c.what;
    }
}

// ---- magnetic docking and Shift-drags

TEST(MagnetRule, TheGuideFadesFromTheSnapDistanceToNothing)
{
    struct Case {
        int distance;
        int alpha;
    };
    const Case cases[] = {{0, 255}, {31, 255}, {32, 255}, {33, 247}, {48, 127}, {63, 7}, {64, 0}, {INT_MAX, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(MagnetGuideAlpha(c.distance), c.alpha) << c.distance;
}

class CDragTest : public CNoteFrameTest {
protected:
    // The press that starts a drag: only the click offset is kept.
    static void Press(HWND frame, POINT screen)
    {
        SendMessageW(frame, WM_NCLBUTTONDOWN, HTNOWHERE, MAKELPARAM(screen.x, screen.y));
    }
    static LRESULT Moving(HWND frame, RECT& proposed)
    {
        return SendMessageW(frame, WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed));
    }
};

TEST_F(CDragTest, ADraggedNoteSnapsByTheCursorWithinThirtyTwoPixels)
{
    CNote* still = MakeNote({100, 100, 300, 300});
    CNote* moving = MakeNote({500, 100, 700, 300});
    ASSERT_TRUE(still && moving);
    const HWND frame = moving->GetHwnd();
    Press(frame, {510, 105});  // 10, 5 into the note
    struct Case {
        const char* what;
        int gap;  // between the cursor's rectangle and the still note
        bool disabled;
        LRESULT result;
    };
    const Case cases[] = {
        {"30 px away", 30, false, 1},
        {"32 px away", 32, false, 1},
        {"40 px away", 40, false, 0},
        {"docking off", 30, true, 0},
    };
    for (const Case& c : cases) {
        g_prefs.DisableMagneticDocking = c.disabled;
        SetCursorPos(300 + c.gap + 10, 110);
        // The proposal lies elsewhere: the snap follows the cursor, not it.
        RECT proposed = {600, 400, 790, 610};
        const RECT before = proposed;
        EXPECT_EQ(Moving(frame, proposed), c.result) << c.what;
        if (c.result) {
            // one pixel right of the still note, the tops aligned, the proposal's size kept
            EXPECT_EQ(proposed.left, 301) << c.what;
            EXPECT_EQ(proposed.top, 100) << c.what;
            EXPECT_EQ(Width(proposed), 190) << c.what;
            EXPECT_EQ(Height(proposed), 210) << c.what;
        } else {
            EXPECT_TRUE(EqualRect(&proposed, &before)) << c.what;
        }
        const HWND guide = GetMagnetGuideWindow();
        EXPECT_EQ(guide && IsWindowVisible(guide), !c.disabled) << c.what;
        SendMessageW(frame, WM_EXITSIZEMOVE, 0, 0);
        EXPECT_FALSE(guide && IsWindowVisible(guide)) << c.what << ": the guide goes with the drag";
    }
}

TEST_F(CDragTest, NoNeighbourNoSnapAndNoGuide)
{
    CNote* moving = MakeNote({500, 100, 700, 300});
    ASSERT_NE(moving, nullptr);
    Press(moving->GetHwnd(), {510, 105});
    SetCursorPos(520, 110);
    RECT proposed = {510, 105, 710, 305};
    EXPECT_EQ(Moving(moving->GetHwnd(), proposed), 0);
    EXPECT_EQ(proposed.left, 510);
    const HWND guide = GetMagnetGuideWindow();
    EXPECT_FALSE(guide && IsWindowVisible(guide));
}

TEST_F(CDragTest, ShiftDragsTheNotesDockedAtThePressAndSkipsOnesDeletedSince)
{
    CNote* a = MakeNote({100, 100, 200, 200});
    CNote* b = MakeNote({200, 100, 300, 200});  // touches A
    CNote* c = MakeNote({300, 100, 400, 200});  // touches B
    CNote* d = MakeNote({100, 400, 200, 500});  // free
    ASSERT_TRUE(a && b && c && d);
    const HWND frameA = a->GetHwnd();
    const HWND frameC = c->GetHwnd();
    const HWND frameD = d->GetHwnd();
    const CHeldKey shift(VK_SHIFT);
    Press(frameA, {150, 105});
    RECT proposed = {117, 91, 217, 191};  // dx 17, dy -9
    EXPECT_EQ(Moving(frameA, proposed), 0);
    EXPECT_EQ(WindowRect(b->GetHwnd()).left, 217);
    EXPECT_EQ(WindowRect(b->GetHwnd()).top, 91);
    EXPECT_EQ(WindowRect(frameC).left, 317);
    EXPECT_EQ(WindowRect(frameC).top, 91);
    EXPECT_EQ(WindowRect(frameD).left, 100) << "not docked";
    EXPECT_EQ(WindowRect(frameA).left, 100) << "the dragged note is the system's to move";
    SetWindowPos(frameA, nullptr, proposed.left, proposed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    ASSERT_TRUE(b->Delete());
    RECT further = {127, 91, 227, 191};  // dx 10 more
    EXPECT_EQ(Moving(frameA, further), 0);
    EXPECT_EQ(WindowRect(frameC).left, 327);
    SendMessageW(frameA, WM_EXITSIZEMOVE, 0, 0);
}

TEST_F(CDragTest, ShiftPressedOnlyDuringTheMoveMovesNothingElse)
{
    CNote* a = MakeNote({100, 100, 200, 200});
    CNote* b = MakeNote({200, 100, 300, 200});
    ASSERT_TRUE(a && b);
    {
        const CHeldKey shift(VK_SHIFT);
        Press(a->GetHwnd(), {150, 105});  // collects B
        SendMessageW(a->GetHwnd(), WM_EXITSIZEMOVE, 0, 0);
    }
    Press(a->GetHwnd(), {150, 105});  // without Shift: the old set goes
    const CHeldKey shift(VK_SHIFT);
    RECT proposed = {130, 100, 230, 200};
    EXPECT_EQ(Moving(a->GetHwnd(), proposed), 0);
    EXPECT_EQ(WindowRect(b->GetHwnd()).left, 200);
}

// ---- rolling up

class CRollTest : public CNoteFrameTest {
protected:
    static void Toggle(HWND frame) { SendMessageW(frame, WM_ITSY_MAXIMIZE, 0, 0); }
    static POINT MinTrack(HWND frame)
    {
        MINMAXINFO info = {};
        SendMessageW(frame, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return info.ptMinTrackSize;
    }
};

TEST_F(CRollTest, RollingUpNarrowsToTheTitleKeepingTheRightEdgeAndUnrollingRestoresIt)
{
    struct Case {
        const char* what;
        const wchar_t* title;
        RECT rect;
        bool animated;
        bool fullWidth;  // the title is wider than the note
    };
    const Case cases[] = {
        {"short title", L"Hi", {200, 200, 500, 450}, false, false},
        {"short title, animated", L"Hi", {200, 200, 500, 450}, true, false},
        {"title wider than the note", L"A title far wider than this narrow little note could ever show",
         {200, 200, 330, 450}, false, true},
    };
    for (const Case& c : cases) {
        g_prefs.AnimationSpeed = c.animated ? 1 : 3;
        CNote* note = MakeNote(c.rect);
        ASSERT_NE(note, nullptr) << c.what;
        note->SetTitle(c.title);
        const HWND frame = note->GetHwnd();
        const RECT before = WindowRect(frame);
        Toggle(frame);
        const RECT rolled = WindowRect(frame);
        EXPECT_EQ(note->Alarm().flags & 0x1A00u, 0x1A00u) << c.what;
        EXPECT_EQ(rolled.right, before.right) << c.what;
        EXPECT_EQ(rolled.top, before.top) << c.what;
        EXPECT_LT(Height(rolled), Height(before)) << c.what;
        EXPECT_LE(Width(rolled), Width(before)) << c.what;
        EXPECT_GE(Width(rolled), MinTrack(frame).x) << c.what;
        if (c.fullWidth) {
            EXPECT_EQ(Width(rolled), Width(before)) << c.what;
        } else {
            EXPECT_LT(Width(rolled), Width(before)) << c.what;
        }
        EXPECT_TRUE(EqualRect(&note->Row().minimizePos, &rolled)) << c.what;
        EXPECT_TRUE(note->IsModified()) << c.what;

        Toggle(frame);
        const RECT back = WindowRect(frame);
        EXPECT_TRUE(EqualRect(&back, &before)) << c.what;
        EXPECT_EQ(note->Alarm().flags & 0x1A00u, 0xA00u) << c.what;
        EXPECT_TRUE(EqualRect(&note->Row().minimizePos, &rolled)) << c.what << ": the rolled place is remembered";
    }
}

TEST_F(CRollTest, AStoredRolledPositionIsUsedWhenTheSettingSaysSo)
{
    g_prefs.StoreMinimizedPostion = true;
    CNote* note = MakeNote({200, 200, 500, 450});
    ASSERT_NE(note, nullptr);
    note->Row().minimizePos = RECT{40, 60, 140, 80};
    Toggle(note->GetHwnd());
    EXPECT_EQ(WindowRect(note->GetHwnd()).left, 40);
    EXPECT_EQ(WindowRect(note->GetHwnd()).top, 60);
}

TEST_F(CRollTest, OlderDataDecidesTheFirstToggleByTheEditorsHeight)
{
    struct Case {
        const char* what;
        bool editorFlat;
        bool rolledAfter;
    };
    const Case cases[] = {
        {"a flat editor: stored rolled up, so it unrolls", true, false},
        {"an editor with height: it rolls up", false, true},
    };
    const RECT start = {200, 200, 500, 450};
    const wchar_t* const text = L"first line\r\nsecond line\r\nthird";
    for (const Case& c : cases) {
        CNote* note = MakeNote(start, text);
        ASSERT_NE(note, nullptr) << c.what;
        note->Alarm().flags &= ~0x1A00u;
        note->SetMinimizeRect(RECT{10, 20, 200, 300});
        if (c.editorFlat)
            SetWindowPos(note->GetEditHwnd(), nullptr, 0, 0, 100, 0, SWP_NOZORDER | SWP_NOACTIVATE);
        Toggle(note->GetHwnd());
        EXPECT_EQ(note->Alarm().flags & 0x800u, 0x800u) << c.what;
        EXPECT_EQ((note->Alarm().flags & 0x1000u) != 0, c.rolledAfter) << c.what;
        if (c.editorFlat) {
            EXPECT_EQ(Height(note->Row().minimizeRect), 0) << c.what << ": sized to its text instead";
            // The same text fitted in a note that never rolled.
            CNote* twin = MakeNote(start, text);
            ASSERT_NE(twin, nullptr);
            twin->AutoSize(false);
            const RECT fitted = WindowRect(twin->GetHwnd());
            const RECT unrolled = WindowRect(note->GetHwnd());
            ASSERT_NE(Height(fitted), Height(start)) << "the fit changes the height, or it shows nothing";
            EXPECT_EQ(Width(unrolled), Width(fitted)) << c.what;
            EXPECT_EQ(Height(unrolled), Height(fitted)) << c.what;
            EXPECT_GT(Height(ClientRect(note->GetHwnd())), 0) << c.what << ": more than the caption and strip";
            EXPECT_EQ(Height(ClientRect(note->GetEditHwnd())), Height(ClientRect(note->GetHwnd()))) << c.what;
        }
    }
}

TEST_F(CRollTest, AClientRectangleFromOlderDataUnrollsAtTheRightEdge)
{
    CNote* note = MakeNote({300, 200, 600, 450});
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    Toggle(frame);
    const RECT rolled = WindowRect(frame);
    note->Alarm().flags &= ~0x200u;
    note->SetMinimizeRect(RECT{0, 0, 220, 150});
    Toggle(frame);
    const RECT back = WindowRect(frame);
    EXPECT_EQ(back.right, rolled.right);
    EXPECT_EQ(back.top, rolled.top);
    EXPECT_EQ(Height(ClientRect(frame)), 150);
    EXPECT_EQ(Width(ClientRect(frame)), 220 + GetSystemMetrics(SM_CXVSCROLL) / 2);
    EXPECT_TRUE(IsRectEmpty(&note->Row().minimizeRect));
}

// ---- the editor's size requests

TEST_F(CRollTest, ANoteWithoutARectangleUnrollsToItsTextEvenWithoutAutoSize)
{
    CNote* note = MakeNote({200, 200, 500, 450}, L"first line\r\nsecond line\r\nthird");
    ASSERT_NE(note, nullptr);
    note->Row().autoResize = false;
    Toggle(note->GetHwnd());
    ASSERT_TRUE(note->Alarm().flags & kNoteRolledUp);
    note->SetMinimizeRect(RECT{});
    Toggle(note->GetHwnd());
    EXPECT_FALSE(note->Alarm().flags & kNoteRolledUp);
    EXPECT_GT(Height(ClientRect(note->GetEditHwnd())), 0) << "counted unrolled, so not at caption height";
}

// Where the keys go: to the editor of an activated note, unless it is
// locked or rolled up; a roll-up takes them from the editor.
TEST_F(CRollTest, TheKeysGoToTheEditorOfAnActiveNoteThatShowsIt)
{
    CNote* first = MakeNote({100, 100, 300, 300}, L"first");
    CNote* second = MakeNote({400, 100, 600, 300}, L"second");
    ASSERT_TRUE(first && second);
    for (const WPARAM how : {WPARAM(WA_ACTIVE), WPARAM(WA_CLICKACTIVE)}) {
        SetFocus(first->GetEditHwnd());
        SendMessageW(second->GetHwnd(), WM_ACTIVATE, how, 0);
        EXPECT_EQ(GetFocus(), second->GetEditHwnd()) << how;
    }
    SetFocus(first->GetHwnd());
    SendMessageW(second->GetHwnd(), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, TRUE), 0);
    EXPECT_EQ(GetFocus(), first->GetHwnd()) << "a minimised note takes no keys";

    // Rolled up with a selection: the next key would replace it unseen.
    const HWND editor = second->GetEditHwnd();
    SetFocus(editor);
    SendMessageW(editor, EM_SETSEL, 0, -1);
    SendMessageW(editor, EM_SETMODIFY, FALSE, 0);
    Toggle(second->GetHwnd());
    ASSERT_TRUE(second->Alarm().flags & kNoteRolledUp);
    EXPECT_EQ(GetFocus(), second->GetHwnd());
    SendMessageW(second->GetHwnd(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(GetFocus(), second->GetHwnd()) << "a rolled-up note keeps the keys on its frame";
    SendMessageW(GetFocus(), WM_CHAR, L'x', 0);
    EXPECT_EQ(second->GetPlainText(), L"second");
    EXPECT_EQ(SendMessageW(editor, EM_GETMODIFY, 0, 0), 0);
}

// The pick takes the focus for its Esc; every way it ends gives it back.
TEST_F(CNoteFrameTest, EveryEndOfACtrlPickGivesTheKeysBackToTheEditor)
{
    CNote* note = MakeNote({100, 100, 300, 300});
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    enum class EEnd { releaseWithCtrl, ctrlFirstThenRelease, escape, captureLost };
    for (const EEnd end : {EEnd::releaseWithCtrl, EEnd::ctrlFirstThenRelease, EEnd::escape, EEnd::captureLost}) {
        SCOPED_TRACE(static_cast<int>(end));
        SetFocus(note->GetEditHwnd());
        CHeldKey control(VK_CONTROL);
        SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(30, 3));
        ASSERT_TRUE(GetNoteWindowPicker().IsPicking());
        EXPECT_EQ(GetFocus(), frame);
        switch (end) {
        case EEnd::releaseWithCtrl:
            SendMessageW(frame, WM_LBUTTONUP, MK_CONTROL, 0);
            break;
        case EEnd::ctrlFirstThenRelease:
            control.Release();
            SendMessageW(frame, WM_LBUTTONUP, 0, 0);
            break;
        case EEnd::escape:
            SendMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case EEnd::captureLost:
            ReleaseCapture();
            break;
        }
        EXPECT_FALSE(GetNoteWindowPicker().IsPicking());
        EXPECT_EQ(GetFocus(), note->GetEditHwnd());
        SendMessageW(frame, WM_LBUTTONUP, 0, 0);
    }
}

TEST_F(CNoteFrameTest, ASizeRequestIsAnsweredOnlyWhenTheNoteMayGrow)
{
    struct Case {
        const char* what;
        bool smartSize;
        bool autoResize;
        bool sizing;
        bool rolled;
        bool answered;  // the request comes back as the editor's client rectangle
    };
    const Case cases[] = {
        {"grows", true, true, false, false, true},
        {"smart size off", false, true, false, false, false},
        {"auto-size off", true, false, false, false, false},
        {"while the user sizes it", true, true, true, false, false},
        {"rolled up", true, true, false, true, false},
    };
    for (const Case& c : cases) {
        g_prefs.SmartSize = c.smartSize;
        CNote* note = MakeNote({200, 200, 400, 400});
        ASSERT_NE(note, nullptr) << c.what;
        const HWND frame = note->GetHwnd();
        note->Row().autoResize = c.autoResize;
        if (c.rolled)
            note->Alarm().flags |= kNoteRollStateKnown | kNoteRolledUp;
        if (c.sizing)
            SendMessageW(frame, WM_SIZING, WMSZ_RIGHT, 0);
        REQRESIZE request = {};
        request.nmhdr = {note->GetEditHwnd(), 32, EN_REQUESTRESIZE};
        request.rc = {0, 0, 1, 1};
        EXPECT_EQ(SendMessageW(frame, WM_NOTIFY, 32, reinterpret_cast<LPARAM>(&request)), 0) << c.what;
        const RECT editor = ClientRect(note->GetEditHwnd());
        EXPECT_EQ(EqualRect(&request.rc, &editor) != FALSE, c.answered) << c.what;
        SendMessageW(frame, WM_EXITSIZEMOVE, 0, 0);
        note->Alarm().flags &= ~static_cast<std::uint32_t>(kNoteRolledUp);
    }
}

// ---- timers

TEST_F(CNoteFrameTest, TimerTicksWaitForTheButtonAndThenActOnce)
{
    g_prefs.SmartFit = true;
    CNote* note = MakeNote({200, 200, 400, 400}, L"");
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    const HWND editor = note->GetEditHwnd();
    SetWindowPos(frame, nullptr, -3000, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);  // sets 159
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"see www.exam"));
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"ple.com now"));  // sets 160
    auto linked = [&] {
        SendMessageW(editor, EM_SETSEL, 5, 6);
        CHARFORMAT2W format = {};
        format.cbSize = sizeof(format);
        format.dwMask = CFM_LINK;
        SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return (format.dwEffects & CFE_LINK) != 0;
    };
    EXPECT_TRUE(note->IsModified());
    EXPECT_FALSE(linked()) << "no scan while typing";
    {
        const CHeldKey button(VK_LBUTTON);
        SendMessageW(frame, WM_TIMER, 159, 0);
        SendMessageW(frame, WM_TIMER, 160, 0);
        EXPECT_EQ(WindowRect(frame).left, -3000) << "a drag still runs";
        EXPECT_FALSE(linked());
    }
    SendMessageW(frame, WM_TIMER, 159, 0);
    SendMessageW(frame, WM_TIMER, 160, 0);
    EXPECT_GE(WindowRect(frame).left, 0) << "back on the screen";
    EXPECT_TRUE(linked());
    EXPECT_FALSE(KillTimer(frame, 159)) << "each timer ends with its one run";
    EXPECT_FALSE(KillTimer(frame, 160));
}

// ---- activation, painting and measuring

TEST_F(CNoteFrameTest, OnlyTheActiveNoteAndTheFindTargetShowCaptionButtons)
{
    CNote* note = MakeNote({200, 200, 400, 400});
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    auto style = [&] { return static_cast<DWORD>(GetWindowLongW(frame, GWL_STYLE)); };
    SetWindowLongW(frame, GWL_STYLE, style() & ~0x53000u);
    EXPECT_TRUE(SendMessageW(frame, WM_NCACTIVATE, TRUE, 0));
    EXPECT_EQ(style() & 0x13000u, 0x13000u);
    EXPECT_EQ(GetActiveNoteWindow(), frame);
    SendMessageW(frame, WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(style() & 0x53000u, 0u);

    SendMessageW(frame, WM_NCACTIVATE, TRUE, 0);
    SetFindTargetWindow(frame);
    SendMessageW(frame, WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(style() & 0x13000u, 0x13000u) << "the note searched keeps its buttons";
    DestroyWindow(frame);
    EXPECT_EQ(GetFindTargetWindow(), nullptr);
    EXPECT_EQ(GetActiveNoteWindow(), nullptr);
}

TEST_F(CNoteFrameTest, ActivatingShowsTheDisplayName)
{
    CNote* note = MakeNote({200, 200, 400, 400}, L"first line\r\nsecond");
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    const auto alpha = [frame] {
        BYTE value = 255;
        DWORD flags = 0;
        if ((GetWindowLongW(frame, GWL_EXSTYLE) & WS_EX_LAYERED) &&
            GetLayeredWindowAttributes(frame, nullptr, &value, &flags) && (flags & LWA_ALPHA))
            return static_cast<int>(value);
        return 255;
    };
    TempFadeOut(true, nullptr);
    ASSERT_TRUE(note->IsFadedOut());
    ASSERT_LT(alpha(), 255) << "dimmed";
    SetWindowTextW(frame, L"stale");
    SendMessageW(frame, WM_ACTIVATE, WA_ACTIVE, 0);
    wchar_t text[64] = {};
    GetWindowTextW(frame, text, 64);
    EXPECT_EQ(CStdStr(text), note->GetDisplayName());
    EXPECT_FALSE(note->IsFadedOut()) << "activating fades a dimmed note back in";
    EXPECT_EQ(alpha(), 255);
}

TEST_F(CNoteFrameTest, ALockedNoteShowsLockedOnTheCaptionColour)
{
    CNote* note = MakeNote({200, 200, 400, 400});
    ASSERT_NE(note, nullptr);
    note->Row().colorText = RGB(200, 0, 0);
    note->HideText();
    const HWND frame = note->GetHwnd();
    const RECT client = ClientRect(frame);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    PaintNoteClient(frame, memory);
    const COLORREF caption = ItsyGetCaptionColor(frame) & 0xFFFFFF;
    EXPECT_EQ(GetPixel(memory, 1, 1), caption);
    EXPECT_EQ(GetPixel(memory, client.right - 2, client.bottom - 2), caption);
    int inked = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            inked += GetPixel(memory, x, y) == RGB(200, 0, 0);
    EXPECT_GT(inked, 10) << "the word in the text colour";
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(CNoteFrameTest, ASnapshotCoversTheClientAreaAndHidesALockedText)
{
    PrepareCaptionGlobals();
    CNote* note = MakeNote({200, 200, 400, 400}, L"one word");
    ASSERT_NE(note, nullptr);
    note->Row().colorText = RGB(200, 0, 0);
    const HWND frame = note->GetHwnd();
    const COLORREF caption = ItsyGetCaptionColor(frame) & 0xFFFFFF;
    RECT client = ClientRect(frame);
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT frameRect = WindowRect(frame);
    OffsetRect(&client, -frameRect.left, -frameRect.top);
    // Below the text's first line: only the background shows there.
    const RECT lowerHalf = {client.left, (client.top + client.bottom) / 2, client.right - 20, client.bottom};
    const int lowerPixels = Width(lowerHalf) * Height(lowerHalf);
    {
        const CPrintedWindow printed(frame, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
        EXPECT_EQ(printed.Count(lowerHalf, caption), lowerPixels);
    }
    note->HideText();
    const CPrintedWindow locked(frame, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    EXPECT_GT(locked.Count(client, RGB(200, 0, 0)), 10) << "the word Locked";
    EXPECT_GT(locked.Count(client, caption), Width(client) * Height(client) / 2);
}

TEST_F(CNoteFrameTest, TheContentHeightCountsEmptyAndTabbedLinesAlike)
{
    CNote* note = MakeNote({200, 200, 600, 500}, L"first\r\n\r\n\tthird");
    ASSERT_NE(note, nullptr);
    const HWND editor = note->GetEditHwnd();
    ASSERT_EQ(SendMessageW(editor, EM_GETLINECOUNT, 0, 0), 3);
    const HDC dc = GetDC(editor);
    const HGDIOBJ old = SelectObject(dc, note->GetFont());
    const SIZE line = GetTabbedLineExtent(dc, L"", 0);
    SelectObject(dc, old);
    ReleaseDC(editor, dc);
    EXPECT_GT(line.cy, 0);
    EXPECT_EQ(GetEditContentHeight(editor), 3 * line.cy);
}

// ---- the note menu and editor notices

class CNoteMenuTest : public CNoteFrameTest {
protected:
    void SetUp() override
    {
        CNoteFrameTest::SetUp();
        m_menu = CreatePopupMenu();
        for (const UINT command : {805u, 806u, 807u, 20042u})
            AppendMenuW(m_menu, MF_STRING, command, L"item");
        SetNoteFrameMenu(m_menu);
    }
    void TearDown() override
    {
        SetNoteFrameMenu(nullptr);
        DestroyMenu(m_menu);
        CNoteFrameTest::TearDown();
    }
    bool Enabled(UINT command) const { return (GetMenuState(m_menu, command, MF_BYCOMMAND) & MF_GRAYED) == 0; }
    static void PutTextOnClipboard(bool text)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        if (text) {
            const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
            wcscpy_s(static_cast<wchar_t*>(GlobalLock(block)), 4, L"abc");
            GlobalUnlock(block);
            SetClipboardData(CF_UNICODETEXT, block);
        }
        CloseClipboard();
    }

    HMENU m_menu = nullptr;
};

TEST_F(CNoteMenuTest, TheMenuFollowsTheSelectionClipboardAndNetworkAndItsChoiceComesAsACommand)
{
    CNote* note = MakeNote({200, 200, 400, 400}, L"some words");
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    struct Case {
        const char* what;
        int selectionEnd;
        bool clipboardText;
        bool network;
    };
    const Case cases[] = {
        {"selection, text to paste, network", 4, true, true},
        {"nothing selected or to paste, no network", 0, false, false},
    };
    for (const Case& c : cases) {
        SendMessageW(note->GetEditHwnd(), EM_SETSEL, 0, c.selectionEnd);
        PutTextOnClipboard(c.clipboardText);
        SetNoteNetworkOn(c.network);
        ScopedUiScript script;
        script.AnswerMenu(806);
        SendMessageW(frame, WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(250, 205));
        EXPECT_EQ(script.Calls(), std::vector<std::wstring>{L"menu"}) << c.what;
        EXPECT_EQ(Enabled(805), c.selectionEnd > 0) << c.what;
        EXPECT_EQ(Enabled(806), c.selectionEnd > 0) << c.what;
        EXPECT_EQ(Enabled(807), c.clipboardText) << c.what;
        EXPECT_EQ(Enabled(20042), c.network) << c.what;
        MSG msg = {};
        ASSERT_TRUE(PeekMessageW(&msg, frame, WM_COMMAND, WM_COMMAND, PM_REMOVE)) << c.what;
        EXPECT_EQ(LOWORD(msg.wParam), 806) << c.what;
    }
    SetNoteNetworkOn(false);
}

TEST_F(CNoteMenuTest, WithoutAMenuARightClickDoesNothing)
{
    SetNoteFrameMenu(nullptr);
    CNote* note = MakeNote({200, 200, 400, 400});
    ASSERT_NE(note, nullptr);
    ScopedUiScript script;
    SendMessageW(note->GetHwnd(), WM_ITSY_MENU, 0, MAKELPARAM(250, 205));
    EXPECT_TRUE(script.Calls().empty());
}

TEST_F(CNoteFrameTest, AFullEditorSaysSo)
{
    CNote* note = MakeNote({200, 200, 400, 400});
    ASSERT_NE(note, nullptr);
    for (const UINT code : {EN_MAXTEXT, EN_ERRSPACE}) {
        ScopedUiScript script;
        script.AnswerMessageBox(IDOK);
        SendMessageW(note->GetHwnd(), WM_COMMAND, MAKEWPARAM(32, code),
                     reinterpret_cast<LPARAM>(note->GetEditHwnd()));
        ASSERT_EQ(script.MessageBoxTexts().size(), 1u) << code;
        EXPECT_EQ(script.MessageBoxTexts()[0], L"Maximum textlimit reached in this note!");
    }
}

// ---- a frame without a note

TEST_F(CNoteFrameTest, AFrameWithoutANoteAnswersNothingAndLogsARoll)
{
    const HWND frame = CreateWindowExW(0, L"NoteWClass", L"bare", WS_POPUP | 0x13000 | ITSY_TOPCAPTION, 10, 10, 200,
                                       150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    CLogCapture log;
    RECT proposed = {20, 20, 220, 170};
    WINDOWPOS pos = {frame, nullptr, 30, 30, 200, 150, SWP_NOZORDER};
    const std::vector<std::pair<UINT, LPARAM>> messages = {
        {WM_CLOSE, 0},
        {WM_MOVING, reinterpret_cast<LPARAM>(&proposed)},
        {WM_WINDOWPOSCHANGED, reinterpret_cast<LPARAM>(&pos)},
        {WM_ITSY_MAXIMIZE, 0},
        {WM_NCRBUTTONDOWN, MAKELPARAM(20, 20)},
    };
    for (const auto& [message, lParam] : messages)
        EXPECT_EQ(SendMessageW(frame, message, 0, lParam), 0) << message;
    SendMessageW(frame, WM_TIMER, 159, 0);
    EXPECT_TRUE(IsWindow(frame));
    RollUpNote(frame);
    EXPECT_TRUE(LogHasLineStarting(log, L"Bad window lookup "));
    DestroyWindow(frame);
}

} // namespace
