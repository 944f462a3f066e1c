// System functions that only newer Windows releases have: each is looked up at
// run time and falls back to its older counterpart when it is absent.
#pragma once

#include <windows.h>

// The seam in front of the run-time lookups; the real one loads the library
// by name (a handle of 32 or less counts as absent) and finds the export.
struct SSystemLookupSeam {
    FARPROC (*find)(const wchar_t* library, const char* function);
};
extern SSystemLookupSeam g_systemLookupSeam;

// The exported function of a system library, or null when the library does
// not load or lacks the function. A found library stays loaded, so the
// pointer may be kept.
FARPROC FindSystemFunction(const wchar_t* library, const char* function);

// FindSystemFunction typed as the caller's signature of the export (through
// void*, which keeps -Wcast-function-type quiet).
template <typename Fn>
Fn FindSystemFunctionAs(const wchar_t* library, const char* function)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(FindSystemFunction(library, function)));
}

// Each of these looks its function up on every call.

// GetPhysicalCursorPos when user32 has it, else GetCursorPos.
BOOL MyGetPhysicalCursorPos(POINT* point);

// WindowFromPhysicalPoint when user32 has it, else WindowFromPoint.
HWND MyWindowFromPhysicalPoint(POINT point);

// LoadIconWithScaleDown of the common controls from the program instance when
// present and successful, else LoadImageW (IMAGE_ICON, LR_VGACOLOR). The
// caller destroys the icon; null when neither finds it.
HICON MyLoadIconWithScaleDown(const wchar_t* name, int width, int height);

// Points at the window's vertical resolution: MulDiv(points, LOGPIXELSY, 72).
int PointsToPixels(int points, HWND window);
