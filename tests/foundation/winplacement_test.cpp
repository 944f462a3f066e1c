// Window placement: the rectangle arithmetic as tables over made-up monitors,
// then real windows on Wine's one monitor.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>

#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/SysFuncs.h"
#include "foundation/WinPlacement.h"
#include "foundation/WinVersion.h"
#include "tests/support/TestDir.h"

std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

std::ostream& operator<<(std::ostream& out, const POINT& p)
{
    return out << "(" << p.x << "," << p.y << ")";
}

bool operator==(const POINT& a, const POINT& b)
{
    return a.x == b.x && a.y == b.y;
}

namespace {

const RECT kFullHd = { 0, 0, 1920, 1080 };
const RECT kFullHdTaskbar = { 0, 0, 1920, 1040 };

TEST(FitRectToArea, PushesCutsAndCentres)
{
    struct Case {
        const char* what;
        RECT rect, area;
        UINT flags;
        RECT expected;
    };
    const Case cases[] = {
        { "300 wide, 100 past the right edge", { 2020, 100, 2320, 400 }, kFullHd, 0, { 1620, 100, 1920, 400 } },
        { "above and left of the area", { -50, -20, 150, 80 }, kFullHd, 0, { 0, 0, 200, 100 } },
        { "inside stays", { 10, 10, 110, 110 }, kFullHd, 0, { 10, 10, 110, 110 } },
        { "larger than the area is cut to it", { -100, -100, 2500, 1500 }, kFullHdTaskbar, 0, { 0, 0, 1920, 1040 } },
        { "into a taskbar work area", { 100, 1000, 300, 1080 }, kFullHdTaskbar, 0, { 100, 960, 300, 1040 } },
        { "centre, odd remainder toward zero", { 0, 0, 101, 51 }, { 0, 0, 1920, 1080 }, kFitCenter, { 909, 514, 1010, 565 } },
        { "centre, negative remainder toward zero", { 0, 0, 2001, 100 }, kFullHd, kFitCenter, { -40, 490, 1961, 590 } },
        { "centre on a secondary monitor", { 0, 0, 100, 100 }, { -1280, 0, 0, 1024 }, kFitCenter, { -690, 462, -590, 562 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitRectToArea(c.rect, c.area, c.flags), c.expected) << c.what;
}

TEST(MonitorFitArea, WorkAreaOnlyOnThePrimaryMonitorWithFlag2)
{
    const MonitorArea primary = { kFullHd, kFullHdTaskbar, true };
    const MonitorArea secondary = { { -1280, 0, 0, 1024 }, { -1280, 0, 0, 984 }, false };
    EXPECT_EQ(MonitorFitArea(primary, kFitWorkAreaOnPrimary), kFullHdTaskbar);
    EXPECT_EQ(MonitorFitArea(primary, 0), kFullHd);
    EXPECT_EQ(MonitorFitArea(primary, kFitCenter), kFullHd);
    EXPECT_EQ(MonitorFitArea(secondary, kFitWorkAreaOnPrimary), secondary.monitor);
    // Fitted on the secondary monitor, a window may cover its taskbar area.
    const RECT fitted = FitRectToArea({ -500, 990, -300, 1100 }, MonitorFitArea(secondary, kFitWorkAreaOnPrimary), 0);
    EXPECT_EQ(fitted, (RECT{ -500, 914, -300, 1024 }));
}

TEST(ClampRectToVirtualScreen, ShiftsThenCutsEachAxis)
{
    const RECT twoScreens = { -1280, 0, 1920, 1080 };
    struct Case {
        RECT rect, expected;
    };
    const Case cases[] = {
        { { 1800, 100, 2100, 300 }, { 1620, 100, 1920, 300 } },    // right edge past: shift left
        { { -1400, 100, -1200, 300 }, { -1280, 100, -1080, 300 } }, // left edge past: onto the left edge
        { { -2000, 0, 2000, 50 }, { -2080, 0, 1120, 50 } },        // wider, right edge past: shifted, then cut
        { { -1500, 0, 1800, 50 }, { -1280, 0, 1920, 50 } },        // wider, inside on the right: left edge, cut
        { { 0, 1000, 100, 1200 }, { 0, 880, 100, 1080 } },         // below
        { { 10, 10, 20, 20 }, { 10, 10, 20, 20 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampRectToVirtualScreen(c.rect, twoScreens), c.expected) << c.rect;
}

TEST(ToolbarCorner, EveryPositionOnAnAreaNotAtTheOrigin)
{
    const RECT area = { 100, 50, 1380, 1074 };  // 1280 x 1024
    const int b = 18;
    const POINT expected[] = {
        { 118, 49 },             // top left
        { 1380 - 36 - 125, 49 }, // top right
        { 118, 1074 - 19 },      // bottom left
        { 1219, 1055 },          // bottom right
        { 100 + 577, 49 },       // centre top: left + (1280 - 125) / 2
        { 677, 1055 },           // centre bottom
        { 100, 50 },             // anything else: the area's corner
    };
    for (int position = 0; position <= 6; ++position)
        EXPECT_EQ(ToolbarCorner(position, area, b), expected[position]) << position;
}

TEST(NewNoteRect, EverySizeAndPositionOnAMonitorNotAtTheOrigin)
{
    const RECT monitor = { -1920, 200, 0, 1280 };   // 1920 x 1080 left of the primary
    const int m = 1920 / 20;
    struct { int defSize; int side; } sizes[] = {
        { 0, 136 }, { 1, 227 }, { 2, 341 }, { 3, 455 }, { 7, 100 },   // points at 96 dpi; others 100 px
    };
    for (const auto& size : sizes) {
        const int s = size.side;
        const POINT expected[] = {
            { -1920 + m, 200 + m },        // 0: top left
            { 0 - m - s, 200 + m },        // 1: top right
            { -1920 + m, 1280 - m - s },   // 2: bottom left
            { 0 - m - s, 1280 - m - s },   // 3: bottom right
            { -1920 + (1920 - s) / 2, 200 + m },        // 4: centre top
            { -1920 + (1920 - s) / 2, 1280 - m - s },   // 5 and anything else: centre bottom
        };
        for (const int defPos : { 0, 1, 2, 3, 4, 5, 9 }) {
            const POINT corner = expected[defPos < 5 ? defPos : 5];
            const RECT want = { corner.x, corner.y, corner.x + s, corner.y + s };
            EXPECT_EQ(NewNoteRect(monitor, size.defSize, defPos, 96), want) << size.defSize << "/" << defPos;
        }
    }
    EXPECT_EQ(NewNoteSide(1, 120), 283) << "points follow the resolution";
}

TEST(KeepRectOnDesktop, TurnsTheMoveAwayFromTheEdgeItWouldCross)
{
    const RECT desktop = { -100, 0, 900, 700 };
    struct {
        const char* what;
        RECT rect;
        POINT offset;
        RECT expected;
    } cases[] = {
        { "inside: moved", { 100, 100, 300, 300 }, { -15, -15 }, { 85, 85, 285, 285 } },
        { "past the left and top: turned", { -90, 5, 110, 205 }, { -15, -15 }, { -75, 20, 125, 220 } },
        { "already outside left: brought in first", { -120, 100, 80, 300 }, { -15, 0 }, { -85, 100, 115, 300 } },
        { "past the right and bottom: turned", { 690, 490, 890, 690 }, { 15, 15 }, { 675, 475, 875, 675 } },
        { "already outside right: brought in first", { 800, 600, 1000, 800 }, { 15, 15 }, { 685, 485, 885, 685 } },
        { "wider and taller than the desktop: stays", { -200, -50, 1000, 800 }, { -15, -15 }, { -200, -50, 1000, 800 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepRectOnDesktop(c.rect, c.offset, desktop), c.expected) << c.what;
}

TEST(ToolbarPointInArea, EitherCornerKeepsTheSavedPoint)
{
    const SIZE bar = { 125, 19 };
    EXPECT_TRUE(ToolbarPointInArea(kFullHd, { 500, 500 }, bar));
    EXPECT_TRUE(ToolbarPointInArea(kFullHd, { -100, -10 }, bar));   // far corner still on the area
    EXPECT_FALSE(ToolbarPointInArea(kFullHd, { -200, 500 }, bar));  // a monitor that is gone
    EXPECT_FALSE(ToolbarPointInArea(kFullHd, { 1920, 1080 }, bar)); // right and bottom edges are outside
}

// A top-level window of the test's own.
class CTestWindow {
public:
    CTestWindow(const RECT& rect, DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr)
    {
        m_window = CreateWindowExW(0, L"STATIC", L"", style, rect.left, rect.top, rect.right - rect.left,
                                   rect.bottom - rect.top, parent, nullptr, nullptr, nullptr);
    }
    ~CTestWindow() { DestroyWindow(m_window); }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Get() const { return m_window; }
    RECT Rect() const
    {
        RECT rect{};
        GetWindowRect(m_window, &rect);
        return rect;
    }

private:
    HWND m_window;
};

RECT Screen()
{
    return { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
}

TEST(KeepWindowOnScreen, PullsBackOrLeavesAlone)
{
    const RECT screen = Screen();
    CTestWindow past({ screen.right - 100, 40, screen.right + 200, 240 });
    ASSERT_TRUE(past.Get());
    EXPECT_TRUE(KeepWindowOnScreen(past.Get()));
    EXPECT_EQ(past.Rect(), (RECT{ screen.right - 300, 40, screen.right, 240 }));

    CTestWindow visible({ 10, 20, 110, 120 });
    EXPECT_FALSE(KeepWindowOnScreen(visible.Get()));
    EXPECT_EQ(visible.Rect(), (RECT{ 10, 20, 110, 120 }));

    EXPECT_FALSE(KeepWindowOnScreen(nullptr));
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(KeepWindowOnScreen(gone));
}

TEST(KeepRectOnScreen, DoNotMoveReturnsTheResultOnly)
{
    const RECT screen = Screen();
    CTestWindow window({ 10, 10, 60, 60 });
    RECT rect = { screen.right - 10, screen.bottom - 10, screen.right + 40, screen.bottom + 40 };
    EXPECT_TRUE(KeepRectOnScreen(window.Get(), rect, true));
    EXPECT_EQ(rect, (RECT{ screen.right - 50, screen.bottom - 50, screen.right, screen.bottom }));
    EXPECT_EQ(window.Rect(), (RECT{ 10, 10, 60, 60 }));

    RECT inside = { 5, 5, 15, 15 };
    EXPECT_FALSE(KeepRectOnScreen(nullptr, inside, true));
    EXPECT_EQ(inside, (RECT{ 5, 5, 15, 15 }));

    RECT outside = { -50, 0, 0, 10 };
    EXPECT_FALSE(KeepRectOnScreen(nullptr, outside, false));  // nothing to move
    EXPECT_EQ(outside, (RECT{ -50, 0, 0, 10 }));
}

TEST(FitRectToMonitor, UsesTheNearestMonitor)
{
    const RECT screen = Screen();
    RECT rect = { screen.right + 500, 10, screen.right + 600, 110 };
    FitRectToMonitor(rect, kFitWorkAreaOnPrimary);
    EXPECT_EQ(rect, (RECT{ screen.right - 100, 10, screen.right, 110 }));
    RECT centred = { 0, 0, 100, 50 };
    FitRectToMonitor(centred, kFitCenter);
    EXPECT_EQ(centred.left, (screen.right - 100) / 2);
}

// A desktop composition as the test sets it up: on or off, and the frame
// bounds it reports (or a failure).
struct SComposition {
    BOOL enabled;
    HRESULT boundsResult;
};
SComposition g_composition;
const RECT kFrameBounds = { 25, 35, 235, 145 };

HRESULT WINAPI TestIsCompositionEnabled(BOOL* enabled)
{
    *enabled = g_composition.enabled;
    return S_OK;
}

HRESULT WINAPI TestGetWindowAttribute(HWND, DWORD attribute, void* value, DWORD size)
{
    if (attribute != 9 || size != sizeof(RECT))   // DWMWA_EXTENDED_FRAME_BOUNDS
        return E_INVALIDARG;
    *static_cast<RECT*>(value) = kFrameBounds;
    return g_composition.boundsResult;
}

FARPROC FindTestComposition(const wchar_t* library, const char* function)
{
    if (_wcsicmp(library, L"dwmapi.dll") != 0)
        return nullptr;
    void* found = nullptr;
    if (strcmp(function, "DwmIsCompositionEnabled") == 0)
        found = reinterpret_cast<void*>(&TestIsCompositionEnabled);
    else if (strcmp(function, "DwmGetWindowAttribute") == 0)
        found = reinterpret_cast<void*>(&TestGetWindowAttribute);
    return reinterpret_cast<FARPROC>(found);
}

FARPROC FindNothing(const wchar_t*, const char*)
{
    return nullptr;
}

TEST(GetVisibleWindowRect, IsTheWindowRectWithoutComposition)
{
    CTestWindow window({ 30, 40, 230, 140 }, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    struct Case {
        const char* name;
        FARPROC (*find)(const wchar_t*, const char*);
        SComposition composition;
        bool frameBounds;
    };
    const Case cases[] = {
        { "no desktop composition library", &FindNothing, { TRUE, S_OK }, false },
        { "composition off", &FindTestComposition, { FALSE, S_OK }, false },
        { "composition on: its frame bounds", &FindTestComposition, { TRUE, S_OK }, true },
        { "bounds that can't be read", &FindTestComposition, { TRUE, E_FAIL }, false },
    };
    for (const Case& c : cases) {
        const CSeamOverride<SSystemLookupSeam> lookup(g_systemLookupSeam, { c.find });
        g_composition = c.composition;
        RECT visible{};
        ASSERT_TRUE(GetVisibleWindowRect(window.Get(), visible)) << c.name;
        EXPECT_EQ(visible, c.frameBounds ? kFrameBounds : window.Rect()) << c.name;
        EXPECT_FALSE(GetVisibleWindowRect(nullptr, visible)) << c.name;
    }
}

// Three real windows as the shell makes them: parent, main window and the
// toolbar child in it.
class ToolbarPositionTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedVersion = WindowsVersion();
        WindowsVersion() = { true, true, true, false, false };
        ASSERT_TRUE(m_prefs.LoadFrom(m_dir.File(L"RERUZADU.INI").c_str()));
        m_prefs.HideToolbar = false;
    }
    void TearDown() override { WindowsVersion() = m_savedVersion; }

    void Place() { SetToolbarPosition(m_prefs, m_main.Get(), m_toolbar.Get(), m_parent.Get()); }

    CTestDir m_dir;
    CPreferences m_prefs;
    CTestWindow m_parent{ { 0, 0, 0, 0 }, WS_POPUP };
    CTestWindow m_main{ { 0, 0, 10, 10 }, WS_POPUP | WS_VISIBLE };
    CTestWindow m_toolbar{ { 0, 0, 10, 10 }, WS_CHILD, m_main.Get() };

private:
    WindowsVersionFlags m_savedVersion;
};

TEST_F(ToolbarPositionTest, CornerFromThePositionSetting)
{
    const RECT screen = Screen();
    const int b = GetSystemMetrics(SM_CXSIZE);
    m_prefs.Position = 3;
    Place();
    EXPECT_EQ(m_main.Rect(), (RECT{ screen.right - 2 * b - 125, screen.bottom - 19, screen.right - 2 * b, screen.bottom }));
    EXPECT_TRUE(IsWindowVisible(m_toolbar.Get()));
    RECT bar{};
    GetClientRect(m_toolbar.Get(), &bar);
    EXPECT_EQ(bar, (RECT{ 0, 0, 125, 19 }));
    EXPECT_EQ(m_prefs.PositionX, 0x7FFF);
}

TEST_F(ToolbarPositionTest, SavedPointOnScreenStaysPut)
{
    m_prefs.Position = 0;
    m_prefs.PositionX = 300;
    m_prefs.PositionY = 200;
    Place();
    EXPECT_EQ(m_main.Rect(), (RECT{ 300, 200, 425, 219 }));
    RECT parent{};
    GetWindowRect(m_parent.Get(), &parent);
    EXPECT_EQ(parent.left, 300);
    EXPECT_EQ(parent.top, 200);
}

TEST_F(ToolbarPositionTest, SavedPointOffScreenIsDroppedAndSaved)
{
    m_prefs.Position = 0;
    m_prefs.PositionX = -5000;
    m_prefs.PositionY = 200;
    Place();
    EXPECT_EQ(m_prefs.PositionX, 0x7FFF);
    EXPECT_EQ(m_prefs.PositionY, 0x7FFF);
    const std::wstring ini = m_dir.File(L"RERUZADU.INI");
    EXPECT_EQ(GetPrivateProfileIntW(L"Preferences", L"PositionX", 0, ini.c_str()), 32767u);
    EXPECT_EQ(GetPrivateProfileIntW(L"Preferences", L"PositionY", 0, ini.c_str()), 32767u);
    EXPECT_EQ(m_main.Rect().left, GetSystemMetrics(SM_CXSIZE));  // at the top-left corner instead
}

TEST_F(ToolbarPositionTest, MinusOneMeansUnset)
{
    m_prefs.PositionX = -1;
    m_prefs.PositionY = -1;
    Place();
    EXPECT_EQ(m_prefs.PositionX, 0x7FFF);
    EXPECT_EQ(m_prefs.PositionY, 0x7FFF);
}

TEST_F(ToolbarPositionTest, HideToolbarHidesTheBarAndSetsTheZOrder)
{
    ShowWindow(m_toolbar.Get(), SW_SHOW);
    m_prefs.HideToolbar = true;
    m_prefs.AlwaysOnTop = true;
    Place();
    EXPECT_FALSE(IsWindowVisible(m_toolbar.Get()));
    EXPECT_TRUE(GetWindowLongW(m_main.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    m_prefs.AlwaysOnTop = false;
    Place();
    EXPECT_FALSE(GetWindowLongW(m_main.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

}  // namespace
