// The note frame on a real X screen: a caption dragged with real input ends
// docked to its neighbour, a Ctrl-drag onto another program's window attaches
// the note to it, and a picture of docked and rolled-up notes is saved as
// "frame-xvfb-screenshot.bmp" in the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "CaptionTestFrame.h"
#include "NoteFrameTestSupport.h"
#include "notewindows/VeduVure.h"
#include "tests/support/ForeignWindowThread.h"
#include "tests/support/RealInput.h"
#include "tests/support/Screenshot.h"
#include "toolkit/WindowPicker.h"

namespace {

void PumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        PumpMessages();
        Sleep(10);
    }
}

class CLiveFrameTest : public CNoteFrameTest {
protected:
    void SetUp() override
    {
        CNoteFrameTest::SetUp();
        PrepareCaptionGlobals();
    }
};

CStdStr EditorText(HWND editor)
{
    wchar_t text[256] = {};
    GetWindowTextW(editor, text, 256);
    return text;
}

// A click on the caption, the bottom strip or the border of an inactive
// note, then typing: the keys land in that note's editor, and nowhere else.
TEST_F(CLiveFrameTest, KeysTypedAfterAClickOnAnInactiveNoteLandInIt)
{
    struct Case {
        const char* what;
        POINT (*at)(const RECT& note, int caption);
    };
    const Case cases[] = {
        {"caption", [](const RECT& r, int caption) { return POINT{r.left + 40, r.top + caption / 2}; }},
        {"bottom strip", [](const RECT& r, int) { return POINT{(r.left + r.right) / 2, r.bottom - 8}; }},
        {"left border", [](const RECT& r, int) { return POINT{r.left + 1, (r.top + r.bottom) / 2}; }},
    };
    int row = 0;
    for (const Case& c : cases) {
        const int top = 60 + 300 * row++;
        CNote* first = MakeNote({100, top, 300, top + 200}, L"first");
        CNote* second = MakeNote({450, top, 650, top + 200}, L"second");
        ASSERT_TRUE(first && second) << c.what;
        ShowWindow(first->GetHwnd(), SW_SHOW);
        ShowWindow(second->GetHwnd(), SW_SHOW);
        SetForegroundWindow(first->GetHwnd());
        SetFocus(first->GetEditHwnd());
        PumpFor(300);
        const POINT point = c.at(WindowRect(second->GetHwnd()), ItsyGetCaptionSize(second->GetHwnd()));
        // A press on the caption or border starts a modal loop: the input comes from a thread.
        std::thread hand([point] {
            SendMouse(0, point);
            Sleep(100);
            SendMouse(MOUSEEVENTF_LEFTDOWN, point);
            Sleep(100);
            SendMouse(MOUSEEVENTF_LEFTUP, point);
            Sleep(300);
            SendKeys(L"qz");
        });
        PumpFor(1200);
        hand.join();
        PumpFor(300);
        EXPECT_EQ(GetFocus(), second->GetEditHwnd()) << c.what;
        EXPECT_NE(EditorText(second->GetEditHwnd()).find(L"qz"), CStdStr::npos)
            << c.what << ": " << EditorText(second->GetEditHwnd()).c_str();
        EXPECT_EQ(EditorText(first->GetEditHwnd()), L"first") << c.what;
    }
}

// Rolled up with its text selected, the note takes real keys on its frame:
// its text stays as it was and unmodified.
TEST_F(CLiveFrameTest, KeysTypedIntoARolledUpNoteChangeNothing)
{
    CNote* note = MakeNote({300, 300, 500, 500}, L"selected");
    ASSERT_NE(note, nullptr);
    ShowWindow(note->GetHwnd(), SW_SHOW);
    SetForegroundWindow(note->GetHwnd());
    const HWND editor = note->GetEditHwnd();
    SetFocus(editor);
    SendMessageW(editor, EM_SETSEL, 0, -1);
    SendMessageW(editor, EM_SETMODIFY, FALSE, 0);
    SendMessageW(note->GetHwnd(), WM_ITSY_MAXIMIZE, 0, 0);
    ASSERT_TRUE(note->Alarm().flags & kNoteRolledUp);
    PumpFor(200);
    std::thread hand([] { SendKeys(L"xy"); });
    PumpFor(600);
    hand.join();
    PumpFor(200);
    EXPECT_EQ(EditorText(editor), L"selected");
    EXPECT_EQ(SendMessageW(editor, EM_GETMODIFY, 0, 0), 0);
}

TEST_F(CLiveFrameTest, ARealCaptionDragEndsDockedAndThePictureShowsDockedAndRolledNotes)
{
    CNote* still = MakeNote({100, 100, 300, 300}, L"Docked on the left");
    CNote* moving = MakeNote({450, 140, 650, 340}, L"Dragged against it");
    CNote* rolled = MakeNote({150, 450, 450, 650}, L"Rolled up");
    ASSERT_TRUE(still && moving && rolled);
    rolled->SetTitle(L"Rolled");
    SendMessageW(rolled->GetHwnd(), WM_ITSY_MAXIMIZE, 0, 0);
    ASSERT_TRUE(rolled->Alarm().flags & kNoteRolledUp);
    PumpFor(200);

    const int depth = ItsyGetCaptionSize(moving->GetHwnd());
    const POINT press = {450 + depth + 40, 140 + depth / 2};
    SetCursorPos(press.x, press.y);
    PumpFor(100);
    // The move loop is modal: the input comes from a thread of its own.
    std::thread hand([press] {
        SendMouse(MOUSEEVENTF_LEFTDOWN, press);
        for (int step = 1; step <= 10; ++step) {
            Sleep(40);
            SendMouse(0, POINT{press.x - 14 * step, press.y - 3 * step});  // ends 10 px right of the still note
        }
        Sleep(100);
        SendMouse(MOUSEEVENTF_LEFTUP, POINT{press.x - 140, press.y - 30});
    });
    PumpFor(1200);
    hand.join();
    PumpFor(200);

    const RECT docked = WindowRect(moving->GetHwnd());
    EXPECT_EQ(docked.left, WindowRect(still->GetHwnd()).right + 1) << "one pixel off the neighbour";
    EXPECT_EQ(docked.top, 100) << "the tops aligned";
    const HWND guide = GetMagnetGuideWindow();
    EXPECT_FALSE(guide && IsWindowVisible(guide)) << "the guide goes with the drag";

    SetCursorPos(0, 0);
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    PumpFor(300);
    const RECT rolledRect = WindowRect(rolled->GetHwnd());
    const COLORREF probe =
        SaveScreenshot(L"frame-xvfb-screenshot.bmp", POINT{(docked.left + docked.right) / 2, docked.bottom - 4});
    EXPECT_NE(probe, CLR_INVALID);
    EXPECT_LT(rolledRect.bottom - rolledRect.top, 60) << "rolled up to its caption";
}

class CAttachTest : public CLiveFrameTest {
protected:
    std::wstring AttachedTitle(std::int64_t id)
    {
        CppSQLite3Query query = DB().execQuery(
            (L"select windowtitle, movewith from attachnotes where noteid = " + std::to_wstring(id)).c_str());
        if (query.eof())
            return L"";
        const std::string title = query.getStringField(0);  // ASCII titles only here
        return std::wstring(title.begin(), title.end()) + L"|" + std::to_wstring(query.getIntField(1));
    }
    // Ctrl held: the press, the pointer at the point, an optional Esc, the release.
    static void CtrlDrag(HWND frame, const POINT* to, bool escape)
    {
        const CHeldKey control(VK_CONTROL);
        const RECT rect = WindowRect(frame);
        const POINT from = {rect.left + 30, rect.top + 3};
        SetCursorPos(from.x, from.y);
        SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(30, 3));
        if (to) {
            SetCursorPos(to->x, to->y);
            POINT client = *to;
            ScreenToClient(frame, &client);
            SendMessageW(frame, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, MAKELPARAM(client.x, client.y));
        }
        if (escape)
            SendMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageW(frame, WM_LBUTTONUP, MK_CONTROL, 0);
    }
};

TEST_F(CAttachTest, OnlyACompletedCtrlDragOntoATitledWindowAttaches)
{
    const CForeignWindowThread target(L"QuilletAttachTarget", L"Target Program", RECT{600, 400, 900, 640});
    CNote* note = MakeNote({100, 100, 300, 300});
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    const HWND frame = note->GetHwnd();
    ASSERT_TRUE(note->Attachment().SetAttachment(*note, L"Earlier Window", 2));
    const RECT area = WindowRect(target.Frame());
    const POINT nearTopLeft = {area.left + 20, area.top + 40};

    CtrlDrag(frame, nullptr, false);
    EXPECT_EQ(AttachedTitle(id), L"Earlier Window|2") << "a Ctrl-click without moving";
    CtrlDrag(frame, &nearTopLeft, true);
    EXPECT_EQ(AttachedTitle(id), L"Earlier Window|2") << "a pick ended by Esc";
    EXPECT_FALSE(GetNoteWindowPicker().IsPicking());

    CtrlDrag(frame, &nearTopLeft, false);
    EXPECT_EQ(AttachedTitle(id), L"Target Program|1") << "the top-left quarter";
    EXPECT_FALSE(GetNoteWindowPicker().IsPicking());
}

} // namespace
