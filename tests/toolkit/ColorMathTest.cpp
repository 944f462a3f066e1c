#include <gtest/gtest.h>

#include "toolkit/ColorMath.h"

namespace {

struct Hsl {
    float hue, saturation, lightness;
};

Hsl ToHsl(COLORREF color)
{
    Hsl hsl = {};
    RgbToHsl(color, hsl.hue, hsl.saturation, hsl.lightness);
    return hsl;
}

}  // namespace

TEST(ColorMath, RgbToHslFollowsTheRuleOrder)
{
    struct Case { COLORREF color; float hue, saturation, lightness; };
    const Case cases[] = {
        {RGB(255, 0, 0), 360.0f, 1.0f, 0.5f},      // red keeps 360
        {RGB(0, 255, 0), 120.0f, 1.0f, 0.5f},
        {RGB(0, 0, 255), 240.0f, 1.0f, 0.5f},
        {RGB(255, 255, 0), 60.0f, 1.0f, 0.5f},     // the green rule overwrites the red one (420)
        {RGB(0, 255, 255), 180.0f, 1.0f, 0.5f},
        {RGB(255, 0, 255), 300.0f, 1.0f, 0.5f},
        {RGB(128, 128, 128), 0.0f, 0.0f, 256.0f / 510.0f},
        {RGB(0, 0, 0), 0.0f, 0.0f, 0.0f},
        {RGB(255, 255, 255) | 0x02000000, 0.0f, 0.0f, 1.0f},  // the high byte is ignored
        {RGB(255, 128, 128), 360.0f, 1.0f, 383.0f / 510.0f},  // lightness above 0.5
    };
    for (const Case& c : cases) {
        const Hsl hsl = ToHsl(c.color);
        EXPECT_FLOAT_EQ(hsl.hue, c.hue) << std::hex << c.color;
        EXPECT_FLOAT_EQ(hsl.saturation, c.saturation) << std::hex << c.color;
        EXPECT_FLOAT_EQ(hsl.lightness, c.lightness) << std::hex << c.color;
    }
}

// The results of single-precision arithmetic, truncated: 16 of these 40
// come out otherwise in double precision.
TEST(ColorMath, PickerColoursRoundTripInSinglePrecision)
{
    struct Case { COLORREF color, expected; };
    const Case cases[] = {
        {RGB(0, 0, 0), RGB(0, 0, 0)},
        {RGB(165, 42, 0), RGB(165, 41, 0)},
        {RGB(0, 64, 64), RGB(0, 64, 64)},
        {RGB(0, 85, 0), RGB(0, 85, 0)},
        {RGB(0, 0, 94), RGB(0, 0, 94)},
        {RGB(0, 0, 139), RGB(0, 0, 139)},
        {RGB(75, 0, 130), RGB(75, 0, 130)},
        {RGB(40, 40, 40), RGB(40, 40, 40)},
        {RGB(139, 0, 0), RGB(139, 0, 0)},
        {RGB(255, 104, 32), RGB(255, 103, 31)},
        {RGB(139, 139, 0), RGB(139, 139, 0)},
        {RGB(0, 147, 0), RGB(0, 147, 0)},
        {RGB(56, 142, 142), RGB(55, 142, 142)},
        {RGB(0, 0, 255), RGB(0, 0, 255)},
        {RGB(123, 123, 192), RGB(122, 122, 192)},
        {RGB(102, 102, 102), RGB(102, 102, 102)},
        {RGB(255, 0, 0), RGB(255, 0, 0)},
        {RGB(255, 173, 91), RGB(255, 173, 91)},
        {RGB(50, 205, 50), RGB(49, 205, 49)},
        {RGB(60, 179, 113), RGB(60, 178, 112)},
        {RGB(127, 255, 212), RGB(127, 255, 212)},
        {RGB(125, 158, 192), RGB(124, 158, 192)},
        {RGB(128, 0, 128), RGB(128, 0, 128)},
        {RGB(127, 127, 127), RGB(127, 127, 127)},
        {RGB(255, 192, 203), RGB(255, 191, 202)},
        {RGB(255, 215, 0), RGB(255, 214, 0)},
        {RGB(255, 255, 0), RGB(255, 255, 0)},
        {RGB(0, 255, 0), RGB(0, 255, 0)},
        {RGB(64, 224, 208), RGB(64, 224, 208)},
        {RGB(192, 255, 255), RGB(191, 255, 255)},
        {RGB(72, 0, 72), RGB(72, 0, 72)},
        {RGB(192, 192, 192), RGB(192, 192, 192)},
        {RGB(255, 228, 225), RGB(254, 228, 225)},
        {RGB(210, 180, 140), RGB(210, 180, 140)},
        {RGB(255, 255, 224), RGB(255, 255, 223)},
        {RGB(152, 251, 152), RGB(151, 251, 151)},
        {RGB(175, 238, 238), RGB(175, 237, 237)},
        {RGB(104, 131, 139), RGB(103, 131, 139)},
        {RGB(230, 230, 250), RGB(230, 230, 250)},
        {RGB(255, 255, 255), RGB(255, 255, 255)},
    };
    for (const Case& c : cases) {
        const Hsl hsl = ToHsl(c.color);
        EXPECT_EQ(HslToRgb(hsl.hue, hsl.saturation, hsl.lightness), c.expected) << std::hex << c.color;
    }
}

TEST(ColorMath, HslToRgbClampsChannels)
{
    EXPECT_EQ(HslToRgb(0.0f, 0.0f, 1.5f), RGB(255, 255, 255));   // a grey above 1 does not wrap
    EXPECT_EQ(HslToRgb(120.0f, 0.5f, 1.5f), RGB(255, 255, 255));
    EXPECT_EQ(HslToRgb(0.0f, 0.0f, -0.5f), RGB(0, 0, 0));
}

TEST(ColorMath, AdjustColorByPercent)
{
    const COLORREF note = RGB(255, 255, 128) | 0x02000000;
    struct Case { COLORREF color; int percent; COLORREF expected; };
    const Case cases[] = {
        {RGB(0, 0, 0), 70, RGB(178, 178, 178)},       // near black: |percent| is the lightness
        {RGB(0, 0, 0), -5, RGB(12, 12, 12)},
        {RGB(255, 255, 255), 80, RGB(204, 204, 204)}, // positive: scales the lightness
        {RGB(8, 7, 8), -5, RGB(8, 7, 8)},             // lightness 0.03 - 0.05 < 0: unchanged
        {note, 0, note},                              // neither rule: unchanged, high byte kept
        {note, -5, RGB(255, 255, 102)},               // rebuilt colours have a high byte of 0
        {note, 60, RGB(229, 229, 0)},
        {note, 70, RGB(255, 255, 13)},
        {note, 80, RGB(255, 255, 51)},
        {RGB(0, 0, 0), 150, RGB(255, 255, 255)},      // lightness 1.5 clamps, never wraps
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdjustColorByPercent(c.color, c.percent), c.expected) << std::hex << c.color << " " << std::dec << c.percent;
}
