// A picture of the whole screen for the Xvfb tier's tests.
#pragma once

#include <windows.h>

// Writes the whole screen as a 24-bit BMP and returns the colour at a point.
COLORREF SaveScreenshot(const wchar_t* path, POINT probe);
