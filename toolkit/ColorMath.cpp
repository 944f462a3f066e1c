// Colour arithmetic in single precision.
#include "ColorMath.h"

#include <algorithm>
#include <cmath>

namespace {

BYTE ToChannel(float unit)
{
    const float scaled = unit * 255.0f;
    // Clamped before the cast: a lightness above 1 must not wrap to a dark byte.
    if (!(scaled > 0.0f))
        return 0;
    return scaled >= 255.0f ? 255 : static_cast<BYTE>(scaled);
}

float ChannelFromAngle(float m1, float m2, float angle)
{
    if (angle < 0.0f)
        angle += 360.0f;
    else if (angle > 360.0f)
        angle -= 360.0f;
    if (angle < 60.0f)
        return m1 + (m2 - m1) * angle / 60.0f;
    if (angle < 180.0f)
        return m2;
    if (angle < 240.0f)
        return m1 + (m2 - m1) * (240.0f - angle) / 60.0f;
    return m1;
}

}  // namespace

void RgbToHsl(COLORREF color, float& hue, float& saturation, float& lightness)
{
    const int red = GetRValue(color);
    const int green = GetGValue(color);
    const int blue = GetBValue(color);
    const int maximum = std::max({red, green, blue});
    const int minimum = std::min({red, green, blue});
    lightness = static_cast<float>(maximum + minimum) / 510.0f;
    hue = 0.0f;
    saturation = 0.0f;
    if (maximum == minimum)
        return;
    const float delta = static_cast<float>(maximum - minimum);
    saturation = lightness <= 0.5f ? delta / static_cast<float>(maximum + minimum)
                                   : delta / static_cast<float>(510 - maximum - minimum);
    const float redShare = static_cast<float>(maximum - red) / delta;
    const float greenShare = static_cast<float>(maximum - green) / delta;
    const float blueShare = static_cast<float>(maximum - blue) / delta;
    // Each rule overwrites the one before: a yellow takes the green rule's hue.
    if (red == maximum)
        hue = (blueShare + 6.0f - greenShare) * 60.0f;
    if (green == maximum)
        hue = (redShare + 2.0f - blueShare) * 60.0f;
    if (blue == maximum)
        hue = (greenShare + 4.0f - redShare) * 60.0f;
    if (hue > 360.0f)
        hue -= 360.0f;
}

COLORREF HslToRgb(float hue, float saturation, float lightness)
{
    if (saturation == 0.0f) {
        const BYTE grey = ToChannel(lightness);
        return RGB(grey, grey, grey);
    }
    const float m2 = lightness <= 0.5f ? lightness * (1.0f + saturation)
                                       : lightness + saturation - lightness * saturation;
    const float m1 = 2.0f * lightness - m2;
    return RGB(ToChannel(ChannelFromAngle(m1, m2, hue + 120.0f)),
               ToChannel(ChannelFromAngle(m1, m2, hue)),
               ToChannel(ChannelFromAngle(m1, m2, hue - 120.0f)));
}

COLORREF AdjustColorByPercent(COLORREF color, int percent)
{
    if (percent == 0)
        return color;
    float hue = 0.0f;
    float saturation = 0.0f;
    float lightness = 0.0f;
    RgbToHsl(color, hue, saturation, lightness);
    const float share = static_cast<float>(percent) / 100.0f;
    if (lightness >= 0.01f)
        lightness = share < 0.0f ? lightness + share : lightness * share;
    else
        lightness = std::fabs(share);
    if (lightness < 0.0f)
        return color;
    return HslToRgb(hue, saturation, lightness);
}
