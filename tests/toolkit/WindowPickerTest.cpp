// The picker's corner mark as a pure function of the window's rectangle and
// the cursor.
#include <gtest/gtest.h>
#include <windows.h>

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
