// Colour arithmetic: COLORREF to hue, saturation and lightness and back, and
// the lighter and darker shades of a note colour. All in single precision,
// as the shades stored with notes were computed.
#pragma once

#include <windows.h>

// Hue in degrees (0 to 360; pure red gives 360), saturation and lightness
// from 0 to 1. The colour's high byte is ignored.
void RgbToHsl(COLORREF color, float& hue, float& saturation, float& lightness);

// Channels are clamped to 0-255; the result's high byte is 0.
COLORREF HslToRgb(float hue, float saturation, float lightness);

// A negative percent darkens by that much lightness (-5: 0.05 darker), a
// positive one scales the lightness (80: 80 % of it); a near-black colour
// takes |percent| as its lightness. Percent 0, or a lightness that would go
// below 0, returns the colour unchanged, high byte included.
COLORREF AdjustColorByPercent(COLORREF color, int percent);
