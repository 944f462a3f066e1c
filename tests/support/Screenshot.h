// Screenshots of the Xvfb tier: the whole screen saved as a 24-bit BMP in the
// test's working folder (its build folder), for a person to look at.
#pragma once

#include <windows.h>

// Writes the screen to path and returns the colour at the probe point, read
// from the same capture; CLR_INVALID when the screen cannot be read.
COLORREF SaveScreenshot(const wchar_t* path, POINT probe);

// One pixel of the screen as it is now.
COLORREF ScreenPixel(POINT point);
