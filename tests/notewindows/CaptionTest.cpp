// The small caption bars without real input: hit testing, geometry over the
// caption depth, minimum sizes, properties and the painted frame.
#include <gtest/gtest.h>
#include <windows.h>
#include <windowsx.h>

#include <string>

#include "../support/ScopedUiScript.h"
#include "CaptionTestFrame.h"
#include "foundation/Preferences.h"
#include "foundation/SysFuncs.h"
#include "framework/AppModule.h"
#include "notewindows/VeduVure.h"
#include "toolkit/ColorMath.h"

namespace {

constexpr LRESULT kDefaultAnswer = -100;  // the table's mark for DefWindowProc's answer

const RECT kFrameRect = {200, 150, 460, 310};

std::string RectText(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

// Holds Ctrl down in this thread's keyboard state for its span.
class CCtrlHeld {
public:
    explicit CCtrlHeld(bool held)
    {
        GetKeyboardState(m_saved);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = held ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    ~CCtrlHeld() { SetKeyboardState(m_saved); }

private:
    BYTE m_saved[256] = {};
};

LRESULT HitTest(HWND window, POINT point, bool ctrl)
{
    const CCtrlHeld keys(ctrl);
    return SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
}

class CaptionTest : public testing::Test {
protected:
    void SetUp() override { PrepareCaptionGlobals(); }
};

// Where a hit-test case points, in the frame's screen rectangle.
enum EAnchor { kTopLeft, kTopRight, kBottomLeft, kBottomRight, kMiddle, kCaptionMiddle, kButtonCentre };

struct HitCase {
    const char* name;
    EAnchor anchor;
    int dx, dy;  // from the anchor; for kButtonCentre dx is the button's place
    bool ctrl;
    LRESULT expected;
};

POINT PointOf(HWND window, const HitCase& c)
{
    RECT frame;
    GetWindowRect(window, &frame);
    const int depth = ItsyGetCaptionSize(window);
    const int captionY = frame.top + 1 + depth / 2;
    switch (c.anchor) {
    case kTopLeft: return {frame.left + c.dx, frame.top + c.dy};
    case kTopRight: return {frame.right - 1 + c.dx, frame.top + c.dy};
    case kBottomLeft: return {frame.left + c.dx, frame.bottom - 1 + c.dy};
    case kBottomRight: return {frame.right - 1 + c.dx, frame.bottom - 1 + c.dy};
    case kMiddle: return {(frame.left + frame.right) / 2 + c.dx, (frame.top + frame.bottom) / 2 + c.dy};
    case kCaptionMiddle: return {(frame.left + frame.right) / 2 + c.dx, captionY + c.dy};
    case kButtonCentre: return {frame.right - 1 - depth * c.dx - depth / 2, captionY + c.dy};
    }
    return {};
}

void ExpectHits(HWND window, const HitCase* cases, size_t count, const char* state)
{
    for (size_t i = 0; i < count; ++i) {
        const HitCase& c = cases[i];
        const POINT point = PointOf(window, c);
        const LRESULT expected =
            c.expected == kDefaultAnswer ? DefWindowProcW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y))
                                         : c.expected;
        EXPECT_EQ(HitTest(window, point, c.ctrl), expected) << state << ": " << c.name;
    }
}

} // namespace

TEST_F(CaptionTest, HitTestKeepsItsPrecedence)
{
    CTestNoteFrame frame(kFrameRect);
    ASSERT_TRUE(frame.Get());
    ItsySetCaptionSize(frame.Get(), 16);

    const HitCase active[] = {
        {"caption", kCaptionMiddle, 0, 0, false, HTCAPTION},
        {"caption with Ctrl is a client press", kCaptionMiddle, 0, 0, true, HTCLIENT},
        {"close button", kButtonCentre, 0, 0, false, HTITSYCLOSE},
        {"close button with Ctrl", kButtonCentre, 0, 0, true, HTITSYCLOSE},
        {"maximize button", kButtonCentre, 1, 0, false, HTMAXBUTTON},
        {"menu button", kButtonCentre, 2, 0, false, HTITSYMENU},
        {"system-menu box answers as caption", kTopLeft, 6, 6, false, HTCAPTION},
        {"left edge", kTopLeft, 0, 80, false, HTLEFT},
        {"right edge", kTopRight, 0, 80, false, HTRIGHT},
        {"top edge", kTopLeft, 130, 1, false, HTTOP},
        {"bottom edge", kBottomLeft, 130, 0, false, HTBOTTOM},
        {"top-left corner", kTopLeft, 0, 0, false, HTTOPLEFT},
        {"top-right corner", kTopRight, 0, 0, false, HTTOPRIGHT},
        {"bottom-left corner", kBottomLeft, 0, 0, false, HTBOTTOMLEFT},
        {"bottom-right corner", kBottomRight, 0, 0, false, HTBOTTOMRIGHT},
        {"right edge within P(9) of the bottom", kBottomRight, 0, -10, false, HTBOTTOMRIGHT},
        {"right edge past P(9) of the bottom", kBottomRight, 0, -14, false, HTRIGHT},
        {"right edge within P(9) of the top", kTopRight, 0, 8, false, HTTOPRIGHT},
        {"top edge over the close button", kTopRight, -8, 1, false, HTTOPRIGHT},
        {"top edge over the menu button", kTopRight, -40, 1, false, HTTOP},
        {"bottom strip inside the grab is border", kBottomLeft, 130, -7, false, HTBORDER},
        {"grip's outer corner", kBottomRight, -1, -1, false, HTBOTTOMRIGHT},
        // the whole drawn grip sizes both ways, not only its rows on the border
        {"grip's inner corner", kBottomRight, -13, -13, false, HTBOTTOMRIGHT},
        {"strip beside the grip", kBottomRight, -16, -8, false, HTBORDER},
    };
    ExpectHits(frame.Get(), active, std::size(active), "active");

    // An inactive note shows only its title: its buttons are plain caption.
    frame.SetStyle(kTestNoteFrameStyle & ~kCaptionButtonBits);
    const HitCase inactive[] = {
        {"close place", kButtonCentre, 0, 0, false, HTCAPTION},
        {"maximize place", kButtonCentre, 1, 0, false, HTCAPTION},
        {"left edge", kTopLeft, 0, 80, false, HTLEFT},
    };
    ExpectHits(frame.Get(), inactive, std::size(inactive), "inactive");

    frame.SetStyle(kTestNoteFrameStyle);
    frame.SetNoteFlags(frame.Note().Alarm().flags | kNoteRolledUp);
    const HitCase rolled[] = {
        {"caption", kCaptionMiddle, 0, 0, false, HTCAPTION},
        {"close button", kButtonCentre, 0, 0, false, HTITSYCLOSE},
        {"left edge does not size", kTopLeft, 0, 80, false, kDefaultAnswer},
        {"bottom-right corner does not size", kBottomRight, 0, 0, false, kDefaultAnswer},
    };
    ExpectHits(frame.Get(), rolled, std::size(rolled), "rolled");
}

// The caption is drawn at once; no patch of the client area is left to repaint.
TEST_F(CaptionTest, ActivationRepaintsTheCaptionNotTheClientArea)
{
    CTestNoteFrame frame(kFrameRect);
    ASSERT_TRUE(frame.Get());
    ShowWindow(frame.Get(), SW_SHOWNOACTIVATE);
    UpdateWindow(frame.Get());
    ValidateRect(frame.Get(), nullptr);
    for (const WPARAM active : {WPARAM(TRUE), WPARAM(FALSE)}) {
        EXPECT_EQ(SendMessageW(frame.Get(), WM_NCACTIVATE, active, 0), TRUE);
        RECT update = {};
        EXPECT_FALSE(GetUpdateRect(frame.Get(), &update, FALSE)) << active;
    }
}

TEST_F(CaptionTest, WindowThatIsNoNoteHasNoSizingBorders)
{
    CTestNoteFrame frame(kFrameRect, false);
    const HitCase cases[] = {
        {"caption", kCaptionMiddle, 0, 0, false, HTCAPTION},
        {"close button", kButtonCentre, 0, 0, false, HTITSYCLOSE},
        {"left edge", kTopLeft, 0, 80, false, kDefaultAnswer},
        {"bottom-right corner", kBottomRight, 0, 0, false, kDefaultAnswer},
    };
    ExpectHits(frame.Get(), cases, std::size(cases), "no note");
}

// A window left of or above the screen's origin: x and y come back signed.
TEST_F(CaptionTest, HitTestReadsNegativePointsSigned)
{
    CTestNoteFrame frame({-180, -60, 80, 100});
    const HitCase cases[] = {
        {"caption left of the origin", kCaptionMiddle, -60, 0, false, HTCAPTION},
        {"close button", kButtonCentre, 0, 0, false, HTITSYCLOSE},
        {"left edge", kTopLeft, 0, 90, false, HTLEFT},
        {"bottom-left corner", kBottomLeft, 0, 0, false, HTBOTTOMLEFT},
    };
    ExpectHits(frame.Get(), cases, std::size(cases), "negative");
}

// The client that WM_NCCALCSIZE leaves, grown by ItsyAdjustWindowRect, must
// be the window again, or auto-size and unroll drift by a pixel each time.
TEST_F(CaptionTest, AdjustWindowRectInvertsTheFrameForEveryDepth)
{
    CTestNoteFrame frame(kFrameRect);
    const std::uint32_t unrolled = frame.Note().Alarm().flags;
    for (const int depth : {6, 17, 31}) {
        for (const bool rolled : {false, true}) {
            frame.SetNoteFlags(rolled ? unrolled | kNoteRolledUp : unrolled);
            EXPECT_NE(ItsySetCaptionSize(frame.Get(), depth), 0);
            EXPECT_EQ(ItsyGetCaptionSize(frame.Get()), depth);

            RECT client;
            GetClientRect(frame.Get(), &client);
            MapWindowPoints(frame.Get(), nullptr, reinterpret_cast<POINT*>(&client), 2);
            RECT caption;
            ASSERT_TRUE(ItsyGetCaptionRect(frame.Get(), caption));
            EXPECT_EQ(caption.bottom, client.top) << "depth " << depth << " rolled " << rolled;

            ItsyAdjustWindowRect(frame.Get(), client);
            RECT window;
            GetWindowRect(frame.Get(), &window);
            EXPECT_EQ(RectText(client), RectText(window)) << "depth " << depth << " rolled " << rolled;
        }
    }
    // Zero changes nothing.
    EXPECT_EQ(ItsySetCaptionSize(frame.Get(), 0), 0);
    EXPECT_EQ(ItsyGetCaptionSize(frame.Get()), 31);
}

TEST_F(CaptionTest, MinimumSizeLeavesRoomForButtonsAndText)
{
    CTestNoteFrame frame(kFrameRect);
    ItsySetCaptionSize(frame.Get(), 17);
    const int strip = PointsToPixels(9, frame.Get());
    const std::uint32_t unrolled = frame.Note().Alarm().flags;
    struct Case {
        const char* name;
        DWORD style;
        bool rolled;
        LONG width, height;
    };
    // Buttons: 2 x menu + close + system-menu box, each 16 wide; then 3 D.
    // Height: D + 2 x (border 1 + strip) - 1.
    const Case cases[] = {
        {"active", kTestNoteFrameStyle, false, 4 * 16 + 3 * 17, 17 + 2 * (1 + strip) - 1},
        {"active, rolled up", kTestNoteFrameStyle, true, 4 * 16 + 3 * 17, 17 + 2 * 1 - 1},
        {"inactive", kTestNoteFrameStyle & ~kCaptionButtonBits, false, 3 * 17, 17 + 2 * (1 + strip) - 1},
    };
    for (const Case& c : cases) {
        frame.SetStyle(c.style);
        frame.SetNoteFlags(c.rolled ? unrolled | kNoteRolledUp : unrolled);
        MINMAXINFO info = {};
        SendMessageW(frame.Get(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, c.width) << c.name;
        EXPECT_EQ(info.ptMinTrackSize.y, c.height) << c.name;
    }
}

TEST_F(CaptionTest, PropertiesStartWithTheDefaultColourAndGoWithTheWindow)
{
    {
        CTestNoteFrame frame(kFrameRect, false);
        EXPECT_EQ(ItsyGetCaptionColor(frame.Get()), 0x00FF0000u);
        EXPECT_GT(ItsyGetCaptionSize(frame.Get()), 3);  // from the title font
        ItsySetCaptionColor(frame.Get(), 0x0280C0FF);
        EXPECT_EQ(ItsyGetCaptionColor(frame.Get()), 0x0280C0FFu);
    }
    EXPECT_EQ(CTestNoteFrame::PropertiesLeftAtDestroy(), 0);
}

TEST_F(CaptionTest, CaptionHeightFollowsTheTitleFont)
{
    LOGFONTW small = {};
    small.lfHeight = -8;
    wcscpy_s(small.lfFaceName, L"Tahoma");
    LOGFONTW large = small;
    large.lfHeight = -24;
    EXPECT_GT(ItsyCaptionHeightFromFont(small), 3);
    EXPECT_GT(ItsyCaptionHeightFromFont(large), ItsyCaptionHeightFromFont(small) + 10);
}

// The system menu opens from Alt+Space and from a press on the system-menu
// box, a second press only closes it, and its choice comes back as a system
// command.
TEST_F(CaptionTest, SystemMenuChoiceBecomesASystemCommand)
{
    const CModalWatchdog watchdog;
    CTestNoteFrame frame(kFrameRect);
    ScopedUiScript script;
    script.AnswerMenu(SC_MOVE);
    script.AnswerMenu(0);
    SendMessageW(frame.Get(), WM_SYSCHAR, L' ', 0);
    SendMessageW(frame.Get(), WM_NCLBUTTONDOWN, HTSYSMENU, 0);
    SendMessageW(frame.Get(), WM_NCLBUTTONDOWN, HTSYSMENU, 0);
    PumpMessagesFor(50);
    EXPECT_EQ(script.Calls().size(), 2u);
    ASSERT_EQ(frame.Messages().size(), 1u);
    EXPECT_EQ(frame.Messages().front().msg, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(frame.Messages().front().wParam, static_cast<WPARAM>(SC_MOVE));

    // The frame has a border and a maximize box, but no sizing frame.
    frame.SetStyle(kTestNoteFrameStyle | WS_SYSMENU);
    const HMENU menu = GetSystemMenu(frame.Get(), FALSE);
    const struct {
        UINT command;
        bool grey;
    } items[] = {{SC_MINIMIZE, true}, {SC_SIZE, true}, {SC_MOVE, false}, {SC_MAXIMIZE, false}, {SC_RESTORE, true}};
    for (const auto& item : items)
        EXPECT_EQ((GetMenuState(menu, item.command, MF_BYCOMMAND) & MF_GRAYED) != 0, item.grey) << item.command;
}

// ---------------------------------------------------------------- painting

namespace {

constexpr COLORREF kCaptionBlue = RGB(40, 90, 200);
constexpr COLORREF kClockRed = RGB(0xC0, 0x20, 0x20);  // the alarm icon's colour in bitmap 103

COLORREF Opaque(COLORREF color)
{
    return color & 0xFFFFFF;
}

} // namespace

TEST_F(CaptionTest, PrintDrawsCaptionOutlineStripAndGrip)
{
    CTestNoteFrame frame(kFrameRect);
    ItsySetCaptionColor(frame.Get(), kCaptionBlue);
    const int depth = ItsyGetCaptionSize(frame.Get());
    const int strip = PointsToPixels(9, frame.Get());
    const COLORREF shade = AdjustColorByPercent(kCaptionBlue, -5);
    const CNote& note = frame.Note();

    const CPrintedWindow printed(frame.Get(), PRF_NONCLIENT | PRF_ERASEBKGND);
    const int width = printed.Width();
    const int height = printed.Height();
    EXPECT_EQ(printed.At(width / 3, 1 + depth / 2), shade) << "caption body";
    EXPECT_EQ(printed.At(0, height / 2), shade) << "outline";
    EXPECT_EQ(printed.At(width - 1, height - 1), shade) << "outline corner";
    EXPECT_EQ(printed.At(1, height / 2), Opaque(note.GetColor())) << "inner outline";
    EXPECT_EQ(printed.At(width / 2, height - 2 - strip / 2), Opaque(note.GetColor())) << "strip";
    EXPECT_EQ(printed.At(width / 2, height - 3 - strip), kCaptionBlue) << "client above the strip";

    // The grip's dots fill the lower-right triangle of its 3 x 3 cells only.
    const int side = 3 * (strip / 3);
    const RECT grip = {width - 2 - side, height - 2 - side, width - 2, height - 2};
    const RECT firstCell = {grip.left, grip.top, grip.left + side / 3, grip.top + side / 3};
    const COLORREF back = Opaque(note.GetColorBk());
    for (const COLORREF dot : {back, AdjustColorByPercent(back, 80), AdjustColorByPercent(back, 60)}) {
        EXPECT_GT(printed.Count(grip, dot), 0) << std::hex << dot;
        EXPECT_EQ(printed.Count(firstCell, dot), 0) << std::hex << dot;
    }
}

TEST_F(CaptionTest, RolledUpNoteHasNoStripOrGrip)
{
    CTestNoteFrame frame(kFrameRect);
    ItsySetCaptionColor(frame.Get(), kCaptionBlue);
    frame.SetNoteFlags(frame.Note().Alarm().flags | kNoteRolledUp);
    const CPrintedWindow printed(frame.Get(), PRF_NONCLIENT | PRF_ERASEBKGND);
    const int strip = PointsToPixels(9, frame.Get());
    const RECT bottom = {1, printed.Height() - 2 - strip, printed.Width() - 1, printed.Height() - 1};
    EXPECT_EQ(printed.Count(bottom, Opaque(frame.Note().GetColor())), 0);
    EXPECT_EQ(printed.Count(bottom, Opaque(frame.Note().GetColorBk())), 0);
}

TEST_F(CaptionTest, CaptionShowsTheAlarmIconOnlyForAnActiveSetAlarm)
{
    CTestNoteFrame frame(kFrameRect);
    ItsySetCaptionColor(frame.Get(), kCaptionBlue);
    const int depth = ItsyGetCaptionSize(frame.Get());
    const RECT iconRoom = {1, 1, 1 + depth, 1 + depth};
    const std::uint32_t base = frame.Note().Alarm().flags;
    struct Case {
        const char* name;
        std::uint32_t flags;
        bool clock;
    };
    const Case cases[] = {
        {"no alarm", base, false},
        {"set, switched off", base | kAlarmSet, false},
        {"active and set", base | kAlarmSet | kAlarmActive, true},
    };
    for (const Case& c : cases) {
        frame.SetNoteFlags(c.flags);
        const CPrintedWindow printed(frame.Get(), PRF_NONCLIENT | PRF_ERASEBKGND);
        EXPECT_EQ(printed.Count(iconRoom, kClockRed) > 0, c.clock) << c.name;
    }
    // Without the bitmap (a failed load at start-up) there are no icons.
    g_appModule.SetCaptionBitmap(nullptr);
    const CPrintedWindow printed(frame.Get(), PRF_NONCLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(printed.Count(iconRoom, kClockRed), 0);
}

TEST_F(CaptionTest, TitleTakesTheNoteTextColourAndWhiteWithoutANote)
{
    for (const bool asNote : {true, false}) {
        CTestNoteFrame frame(kFrameRect, asNote);
        ItsySetCaptionColor(frame.Get(), kCaptionBlue);
        SetWindowTextW(frame.Get(), L"Shopping list");
        const COLORREF text = asNote ? frame.Note().GetColorText() : RGB(255, 255, 255);
        const CPrintedWindow printed(frame.Get(), PRF_NONCLIENT | PRF_ERASEBKGND);
        const RECT caption = {1, 1, printed.Width() - 1, 1 + ItsyGetCaptionSize(frame.Get())};
        EXPECT_GT(printed.Count(caption, text), 10) << "note " << asNote;
    }
}

// With LessButtons only the close button is drawn; the others keep their
// place (and their hit codes) as plain caption.
TEST_F(CaptionTest, LessButtonsDrawsOnlyTheCloseButton)
{
    CTestNoteFrame frame(kFrameRect);
    ItsySetCaptionColor(frame.Get(), kCaptionBlue);
    const COLORREF shade = AdjustColorByPercent(kCaptionBlue, -5);
    for (const bool less : {false, true}) {
        g_prefs.LessButtons = less;
        const CPrintedWindow printed(frame.Get(), PRF_NONCLIENT | PRF_ERASEBKGND);
        for (const int place : {0, 1, 2}) {
            RECT button;
            ItsyGetButtonRect(frame.Get(), place, button);
            OffsetRect(&button, -kFrameRect.left, -kFrameRect.top);
            const int area = (button.right - button.left) * (button.bottom - button.top);
            const bool drawn = printed.Count(button, shade) < area;
            EXPECT_EQ(drawn, !less || place == 0) << "less " << less << " place " << place;
        }
    }
    g_prefs.LessButtons = false;
}
