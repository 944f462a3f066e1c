// The toolbar: its hit test and glyph recolouring, the tip's state machine as
// a table of timer ticks, and the real bar on a recording owner (presses,
// right-drags, capture loss, what it paints).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/Preferences.h"
#include "foundation/WinPlacement.h"
#include "shell/MainCommands.h"
#include "shell/tiplogic.h"
#include "shell/toolbar.h"
#include "shell/toolbarbuttons.h"
#include "tests/shell/PrintClient.h"
#include "tests/support/TestDir.h"

namespace {

// ---- Pure ----

TEST(ToolbarHitTest, WalksButtonsAndSeparators)
{
    std::vector<SToolbarButton> buttons = DefaultToolbarButtons();
    struct Case {
        int x, y, expected;
    };
    const Case cases[] = {
        {7, 5, -1},     // left of the first button
        {8, 5, 0},      // its first column
        {30, 5, 0},     // its last own column
        {31, 5, 1},     // the shared column belongs to the next
        {122, 5, 4},    // the last button's last column
        {123, 5, -1},   // past the last button
        {8, 17, 0},     // the last row
        {8, 18, -1},    // below the buttons
        {8, -1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitTestButtons(buttons, POINT{c.x, c.y}), c.expected) << c.x << "," << c.y;

    // A separator of 10 after the first button: no button on it, the rest move.
    buttons.insert(buttons.begin() + 1, MakeSeparator(10));
    EXPECT_EQ(HitTestButtons(buttons, POINT{31, 5}), -1);
    EXPECT_EQ(HitTestButtons(buttons, POINT{40, 5}), -1);
    EXPECT_EQ(HitTestButtons(buttons, POINT{41, 5}), 2);
    EXPECT_EQ(ButtonLeft(buttons, 2), 41);
    EXPECT_EQ(ButtonAdvance(MakeSeparator(0)), 8);
}

TEST(ToolbarButtons, FiveButtonsSendTheirCommands)
{
    const std::vector<SToolbarButton> buttons = DefaultToolbarButtons();
    const int images[] = {0, 1, 2, 3, 9};
    const UINT commands[] = {801, 802, 803, 804, 799};
    ASSERT_EQ(buttons.size(), 5u);
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i].image, images[i]);
        EXPECT_EQ(static_cast<UINT>(buttons[i].command), commands[i]);
        EXPECT_EQ(buttons[i].state, kButtonEnabled);
        EXPECT_EQ(buttons[i].style, 0);
    }
}

RGBQUAD Quad(BYTE r, BYTE g, BYTE b)
{
    return RGBQUAD{b, g, r, 0};
}

TEST(ToolbarGlyphs, RecolouringReplacesExactlyTheSixKeys)
{
    RGBQUAD table[16] = {Quad(0, 0, 0),    Quad(0x80, 0x80, 0x80), Quad(0xC0, 0xC0, 0xC0), Quad(0xFF, 0xFF, 0xFF),
                         Quad(0, 0, 0xFF), Quad(0xFF, 0, 0xFF),    Quad(0x12, 0x34, 0x56), Quad(0xFF, 0, 0),
                         Quad(0x80, 0x80, 0x81)};
    // Targets that are themselves key colours catch a second pass over an entry.
    const SGlyphColours colours = {RGB(0xFF, 0xFF, 0xFF), RGB(1, 2, 3),    RGB(0, 0, 0),
                                   RGB(4, 5, 6),          RGB(0xFF, 0, 0xFF), RGB(7, 8, 9)};
    RecolourGlyphTable(table, 9, colours);
    const COLORREF expected[] = {RGB(0xFF, 0xFF, 0xFF), RGB(1, 2, 3), RGB(0, 0, 0), RGB(4, 5, 6),
                                 RGB(0xFF, 0, 0xFF),    RGB(7, 8, 9), RGB(0x12, 0x34, 0x56),
                                 RGB(0xFF, 0, 0),       // red is no key: blue is 0x0000FF as RGB
                                 RGB(0x80, 0x80, 0x81)};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue), expected[i]) << i;
}

TEST(TipPosition, BelowTheCursorOrAboveTheBar)
{
    struct Case {
        POINT cursor;
        int desktopBottom, mainTop;
        POINT expected;
    };
    // cursor 32 high, borders 1: 18 below; a tip 16 high.
    const Case cases[] = {
        {{100, 10}, 768, 0, {100, 28}},
        {{100, 740}, 768, 735, {100, 717}},  // 758 + 16 passes 768: above the bar
        {{100, 734}, 768, 730, {100, 752}},  // ends exactly at the bottom: still below
    };
    for (const Case& c : cases) {
        const POINT at = TipPosition(c.cursor, 32, 1, 16, c.desktopBottom, c.mainTop);
        EXPECT_EQ(at.x, c.expected.x);
        EXPECT_EQ(at.y, c.expected.y) << c.cursor.y;
    }
    // A tip taller than the gap never reaches into the bar.
    EXPECT_EQ(TipPosition(POINT{5, 760}, 32, 1, 30, 768, 750).y, 720);
}

// ---- The tip state machine, as a table of ticks ----

// A tip surface with a clock of its own: the delay fires when the clock
// passes it.
class CFakeTipSurface : public ITipSurface {
public:
    void HideTip() override { visible = false; }
    bool PrepareTip(int button, POINT) override
    {
        if (!mainVisible)
            return false;
        text = button;
        return true;
    }
    void ShowTip() override { visible = true; }
    bool StartDelay() override
    {
        if (!timersAvailable)
            return false;
        deadline = now + 1000;
        return true;
    }
    void StopDelay() override { deadline = -1; }

    int now = 0;
    int deadline = -1;
    bool visible = false;
    int text = -1;
    bool mainVisible = true;
    bool timersAvailable = true;
};

enum class Event { Tick, Key, Hide, Show, MainHidden, NoTimers };

struct TipRow {
    int time;
    Event event;
    int button;         // -2: off the bar
    bool inTip, capture;
    int shownButton;    // -1: no tip visible
    bool tipMode, alreadyShown;
    const char* why;
};

constexpr int kOffBar = -2;

void RunTipRows(const std::vector<TipRow>& rows)
{
    CFakeTipSurface surface;
    CTipLogic logic(surface);
    logic.Arm(true);
    for (const TipRow& row : rows) {
        surface.now = row.time;
        if (surface.deadline >= 0 && surface.now >= surface.deadline)
            logic.OnDelayElapsed();
        switch (row.event) {
        case Event::Tick:
            logic.OnTick(STipTick{POINT{50, 10}, row.button != kOffBar, row.inTip, row.capture,
                                  row.button == kOffBar ? -1 : row.button});
            break;
        case Event::Key: logic.EndTipMode(); break;
        case Event::Hide: logic.Arm(false); break;
        case Event::Show: logic.Arm(true); break;
        case Event::MainHidden: surface.mainVisible = false; break;
        case Event::NoTimers: surface.timersAvailable = false; break;
        }
        EXPECT_EQ(surface.visible ? surface.text : -1, row.shownButton) << row.time << " " << row.why;
        EXPECT_EQ(logic.InTipMode(), row.tipMode) << row.time << " " << row.why;
        EXPECT_EQ(logic.AlreadyShown(), row.alreadyShown) << row.time << " " << row.why;
    }
}

TEST(TipLogic, FirstTipWaitsASecondThenTipsFollowAtOnce)
{
    RunTipRows({
        {0, Event::Tick, 1, false, false, -1, true, false, "rests on New Note: delay starts"},
        {200, Event::Tick, 1, false, false, -1, true, false, "still waiting"},
        {800, Event::Tick, 1, false, false, -1, true, false, "still waiting"},
        {1000, Event::Tick, 1, false, false, 1, true, true, "a second later: New Note"},
        {1200, Event::Tick, 2, false, false, 2, true, true, "the next button at once"},
        {1400, Event::Tick, 3, false, false, 3, true, true, "and the next"},
        {1600, Event::Tick, kOffBar, false, false, -1, false, false, "leaving the bar ends tip mode"},
        {1800, Event::Tick, 3, false, false, -1, true, false, "back on the bar: a fresh delay"},
        {2600, Event::Tick, 3, false, false, -1, true, false, ""},
        {2800, Event::Tick, 3, false, false, 3, true, true, "delay over"},
        {3000, Event::Tick, 3, true, false, -1, true, true, "cursor in the tip hides it"},
        {3200, Event::Tick, 3, false, false, 3, true, true, "out of it again: at once"},
        {3400, Event::Key, 3, false, false, -1, false, false, "a key ends tip mode"},
        {3600, Event::Tick, -1, false, true, -1, false, false, "capture held: no tip mode"},
        {4800, Event::Tick, -1, false, true, -1, false, false, "nor later"},
        {5000, Event::Tick, -1, false, false, -1, true, false, "on the gap: tip mode, no tip"},
        {5200, Event::Tick, 0, false, false, -1, true, false, "a button: delay"},
        {5400, Event::Hide, 0, false, false, -1, false, false, "bar hidden: disarmed"},
        {6400, Event::Tick, 0, false, false, -1, false, false, "no delay left over, no tip mode"},
        {6600, Event::Show, 0, false, false, -1, false, false, ""},
        {6800, Event::Tick, 0, false, false, -1, true, false, "armed again"},
    });
}

TEST(TipLogic, NoTipOverAHiddenMainWindowAndNoTimerShowsAtOnce)
{
    RunTipRows({
        {0, Event::MainHidden, 1, false, false, -1, false, false, ""},
        {200, Event::Tick, 1, false, false, -1, true, false, "tip mode, nothing prepared"},
        {1400, Event::Tick, 1, false, false, -1, true, false, "no delay was started"},
    });
    RunTipRows({
        {0, Event::NoTimers, 1, false, false, -1, false, false, ""},
        {200, Event::Tick, 1, false, false, 1, true, true, "no delay timer: the tip shows at once"},
        {400, Event::Tick, 2, false, false, 2, true, true, ""},
    });
}

// ---- The bar on a recording owner ----

std::vector<WPARAM> g_commands;

LRESULT CALLBACK RecordingOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        g_commands.push_back(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

class ToolbarWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedPrefs = g_prefs;
        ASSERT_TRUE(g_prefs.SetIniPath(m_dir.File(L"QUILLT.INI").c_str()));
        g_prefs.PositionX = g_prefs.PositionY = kToolbarPositionUnset;
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &RecordingOwnerProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QuilletTestToolbarOwner";
        RegisterClassW(&windowClass);   // a second registration fails harmlessly
        m_owner = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 200, 200,
                                  kToolbarWidth, kToolbarHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_TRUE(m_owner);
        m_bar = CreateToolbar(m_owner, GetModuleHandleW(nullptr));
        ASSERT_TRUE(m_bar);
        SetWindowPos(m_bar, nullptr, 0, 0, kToolbarWidth, kToolbarHeight, SWP_NOZORDER | SWP_SHOWWINDOW);
        g_commands.clear();
    }
    void TearDown() override
    {
        DestroyWindow(m_owner);
        g_prefs = m_savedPrefs;
    }

    void Mouse(UINT message, int x, int y)
    {
        SendMessageW(m_bar, message, 0, MAKELPARAM(x, y));
    }
    bool PressedBit(int x)
    {
        COLORREF pixel = Pixel(x + 1, 5);   // the left edge: shadow when sunk
        return pixel == GetSysColor(COLOR_BTNSHADOW);
    }
    COLORREF Pixel(int x, int y)
    {
        const auto pixels = PrintClient();
        return pixels[y * kToolbarWidth + x];
    }
    std::vector<COLORREF> PrintClient() { return PrintClientPixels(m_bar, kToolbarWidth, kToolbarHeight); }
    bool IniHasPosition()
    {
        return static_cast<int>(GetPrivateProfileIntW(L"Preferences", L"PositionX", -12345, m_dir.File(L"QUILLT.INI").c_str())) !=
               -12345;
    }

    CTestDir m_dir;
    CPreferences m_savedPrefs;
    HWND m_owner = nullptr;
    HWND m_bar = nullptr;
};

TEST_F(ToolbarWindowTest, ReleaseSendsTheCommandOnlyOverThePressedButton)
{
    Mouse(WM_LBUTTONDOWN, 35, 8);              // New Note
    EXPECT_EQ(GetCapture(), m_bar);
    EXPECT_TRUE(PressedBit(31));
    Mouse(WM_MOUSEMOVE, 60, 8);                // onto Preferences
    EXPECT_FALSE(PressedBit(31));
    Mouse(WM_LBUTTONUP, 60, 8);
    EXPECT_TRUE(g_commands.empty());
    EXPECT_NE(GetCapture(), m_bar);

    Mouse(WM_LBUTTONDOWN, 35, 8);
    Mouse(WM_MOUSEMOVE, 35, 40);               // below the bar
    Mouse(WM_MOUSEMOVE, 40, 8);                // back
    EXPECT_TRUE(PressedBit(31));
    Mouse(WM_LBUTTONUP, 40, 8);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], WPARAM{ID_NEW_NOTE_TOOLBAR});
    EXPECT_FALSE(PressedBit(31));

    Mouse(WM_LBUTTONDOWN, 4, 8);               // left of the buttons: nothing held
    EXPECT_NE(GetCapture(), m_bar);
    Mouse(WM_LBUTTONUP, 4, 8);
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(ToolbarWindowTest, RightDragOffScreenComesBackAndIsStored)
{
    Mouse(WM_RBUTTONDOWN, 10, 5);
    Mouse(WM_MOUSEMOVE, 5010, 4005);
    RECT moved = {};
    GetWindowRect(m_owner, &moved);
    EXPECT_EQ(moved.left, 5200);
    EXPECT_EQ(moved.top, 4200);
    Mouse(WM_RBUTTONUP, 10, 5);
    EXPECT_NE(GetCapture(), m_bar);

    RECT now = {};
    GetWindowRect(m_owner, &now);
    const RECT screen = VirtualScreenRect();
    EXPECT_LE(now.right, screen.right);
    EXPECT_LE(now.bottom, screen.bottom);
    EXPECT_EQ(g_prefs.PositionX, now.left);
    EXPECT_EQ(g_prefs.PositionY, now.top);
    const std::wstring ini = m_dir.File(L"QUILLT.INI");
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntW(L"Preferences", L"PositionX", -1, ini.c_str())), now.left);
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntW(L"Preferences", L"PositionY", -1, ini.c_str())), now.top);
}

TEST_F(ToolbarWindowTest, RightClickWithoutMotionStoresNothing)
{
    Mouse(WM_RBUTTONDOWN, 10, 5);
    Mouse(WM_MOUSEMOVE, 10, 5);
    Mouse(WM_RBUTTONUP, 10, 5);
    EXPECT_EQ(g_prefs.PositionX, kToolbarPositionUnset);
    EXPECT_FALSE(IniHasPosition());
    RECT now = {};
    GetWindowRect(m_owner, &now);
    EXPECT_EQ(now.left, 200);
}

TEST_F(ToolbarWindowTest, LosingTheCaptureEndsAPressAndADrag)
{
    const HWND thief = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(thief);

    Mouse(WM_LBUTTONDOWN, 35, 8);
    SetCapture(thief);
    EXPECT_FALSE(PressedBit(31));
    ReleaseCapture();
    Mouse(WM_LBUTTONUP, 35, 8);
    EXPECT_TRUE(g_commands.empty());

    Mouse(WM_RBUTTONDOWN, 10, 5);
    Mouse(WM_MOUSEMOVE, 40, 5);
    SetCapture(thief);
    RECT after = {};
    GetWindowRect(m_owner, &after);
    Mouse(WM_MOUSEMOVE, 90, 5);                // the bar no longer follows
    RECT later = {};
    GetWindowRect(m_owner, &later);
    EXPECT_TRUE(EqualRect(&after, &later));
    EXPECT_EQ(after.left, 230);
    EXPECT_EQ(g_prefs.PositionX, 230);         // the move that was made is kept

    Mouse(WM_LBUTTONDOWN, 35, 8);
    SendMessageW(m_bar, WM_CANCELMODE, 0, 0);
    EXPECT_NE(GetCapture(), m_bar);
    Mouse(WM_LBUTTONUP, 35, 8);
    EXPECT_TRUE(g_commands.empty());
    DestroyWindow(thief);
}

TEST_F(ToolbarWindowTest, GlyphsAreDrawnInTheSystemColours)
{
    const std::vector<COLORREF> pixels = PrintClient();
    const auto at = [&](int x, int y) { return pixels[y * kToolbarWidth + x]; };
    // The New Note button: cell at 31, glyph at 33, 2.
    EXPECT_EQ(at(31, 5), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(at(32, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(40, 17), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(54, 5), GetSysColor(COLOR_WINDOWFRAME));         // shared with the next button
    EXPECT_EQ(at(123, 5), GetSysColor(COLOR_BTNSHADOW));          // the last one's right edge
    EXPECT_EQ(at(33 + 1, 2 + 3), GetSysColor(COLOR_BTNTEXT));     // the note's edge
    EXPECT_EQ(at(33 + 2, 2 + 4), GetSysColor(COLOR_WINDOW));      // its paper
    EXPECT_EQ(at(33 + 12, 2 + 0), GetSysColor(COLOR_HIGHLIGHT));  // the sparkle
    EXPECT_EQ(at(33 + 0, 2 + 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(at(33 + 2, 2 + 14), GetSysColor(COLOR_BTNSHADOW));  // its shadow
    // Pressed, the glyph moves one pixel right and down.
    Mouse(WM_LBUTTONDOWN, 35, 8);
    EXPECT_EQ(Pixel(33 + 3, 2 + 5), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(Pixel(33 + 1, 2 + 3), GetSysColor(COLOR_BTNFACE));
    Mouse(WM_LBUTTONUP, 35, 8);
}

TEST_F(ToolbarWindowTest, TheSharedGlyphDCOutlivesAnyOneToolbar)
{
    const HWND second = CreateToolbar(m_owner, GetModuleHandleW(nullptr));
    ASSERT_TRUE(second);
    DestroyWindow(m_bar);   // the first made the DC; the second still draws
    m_bar = second;
    EXPECT_EQ(Pixel(33 + 2, 2 + 4), GetSysColor(COLOR_WINDOW));
}

TEST_F(ToolbarWindowTest, ForwardsOwnerMessagesAndSpansTheOwner)
{
    SendMessageW(m_bar, WM_COMMAND, 4242, 0);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], WPARAM{4242});
    SendMessageW(m_bar, WM_SIZE, 0, 0);
    RECT bar = {};
    GetWindowRect(m_bar, &bar);
    EXPECT_EQ(RectWidth(bar), kToolbarWidth + 2 * GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(RectHeight(bar), kToolbarHeight);
}

}  // namespace
