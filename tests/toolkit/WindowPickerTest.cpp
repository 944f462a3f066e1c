// The picker's corner mark as a pure function of the window's rectangle and
// the cursor.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/toolkit/ToolkitTestWindows.h"
#include "toolkit/WindowPicker.h"

namespace {

// Each corner's image a different size, so a mark placed with another
// corner's size shows.
const std::array<SIZE, 4> kImages = {SIZE{10, 11}, SIZE{12, 13}, SIZE{14, 15}, SIZE{16, 17}};

TEST(PickCorner, QuartersAndTheMarkInsideEachCorner)
{
    const RECT frame = {100, 100, 500, 400};  // middle at x 300, y 250
    struct Case {
        POINT cursor;
        int corner;
        POINT image;
    };
    const Case cases[] = {
        {{110, 120}, 0, {108, 108}},
        {{490, 110}, 1, {500 - 12 - 8, 108}},
        {{105, 395}, 2, {108, 400 - 15 - 8}},
        {{495, 399}, 3, {500 - 16 - 8, 400 - 17 - 8}},
        {{300, 110}, 0, {108, 108}},  // x exactly at the middle stays left
        {{301, 110}, 1, {480, 108}},
        {{110, 250}, 0, {108, 108}},  // y exactly at the middle stays on top
        {{110, 251}, 2, {108, 377}},
    };
    for (const Case& c : cases) {
        const SPickCorner located = LocatePickCorner(frame, c.cursor, kImages);
        EXPECT_EQ(located.corner, c.corner) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(located.zone, c.corner + 1) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(located.image.x, c.image.x) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(located.image.y, c.image.y) << c.cursor.x << "," << c.cursor.y;
    }
}

TEST(PickCorner, FadesWithTheDistanceFromTheCorner)
{
    const RECT frame = {0, 0, 1000, 1000};
    struct Case {
        POINT cursor;
        int corner;
        int alpha;
    };
    const Case cases[] = {
        {{63, 0}, 0, 255},
        {{64, 0}, 0, 255},
        {{160, 0}, 0, 159},
        {{256, 0}, 0, 63},
        {{257, 0}, kNoCorner, 0},          // beyond 256 pixels the mark hides
        {{900, 0}, 1, 219},                // measured from the right edge
        {{880, 840}, 3, 119},              // and the bottom: 120 and 160, 200 pixels away
    };
    for (const Case& c : cases) {
        const SPickCorner located = LocatePickCorner(frame, c.cursor, kImages);
        EXPECT_EQ(located.corner, c.corner) << c.cursor.x << "," << c.cursor.y;
        if (c.corner != kNoCorner)
            EXPECT_EQ(located.alpha, c.alpha) << c.cursor.x << "," << c.cursor.y;
        else
            EXPECT_EQ(located.zone, 0);
    }
}

TEST(PickCorner, OutsideTheWindowIsNoCorner)
{
    const RECT frame = {100, 100, 500, 400};
    const POINT outside[] = {{99, 150}, {500, 150}, {150, 400}, {150, 99}, {-5, -5}};
    for (const POINT& cursor : outside) {
        const SPickCorner located = LocatePickCorner(frame, cursor, kImages);
        EXPECT_EQ(located.corner, kNoCorner) << cursor.x << "," << cursor.y;
        EXPECT_EQ(located.zone, 0) << cursor.x << "," << cursor.y;
    }
    // A window gone since it was found has an empty rectangle.
    EXPECT_EQ(LocatePickCorner(RECT{}, POINT{0, 0}, kImages).corner, kNoCorner);
}

}  // namespace

namespace {

// This program's images and cursor are not linked in here.
TEST(WindowPicker, PicksWithoutItsImagesAndCursor)
{
    // Topmost: other tests' windows share this desktop.
    const CTestWindow frame(RECT{330, 270, 730, 570}, WS_EX_TOPMOST, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const CTestWindow capturer(RECT{750, 270, 850, 370});
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    CWindowPicker picker;
    picker.Reset(nullptr);  // no owner thread: this thread's windows count as another program's
    picker.BeginPick(capturer.Get());
    EXPECT_EQ(GetCursor(), arrow) << "no picker cursor: the current one stays, not none";

    SetCursorPos(350, 300);
    picker.OnMessage(WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(picker.GetTarget(), frame.Get());
    EXPECT_EQ(picker.GetZone(), 1);
    EXPECT_EQ(picker.GetIndicatorWindow(), nullptr) << "nothing to show";

    picker.OnMessage(WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(picker.IsPicking());
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
