// Keeps the program's windows on a desktop of one or several monitors, and
// places the toolbar. The arithmetic is pure (rectangles in, rectangle out);
// thin wrappers ask the system for monitors and the virtual screen.
#pragma once

#include <windows.h>

class CPreferences;

inline int RectWidth(const RECT& rect) { return rect.right - rect.left; }
inline int RectHeight(const RECT& rect) { return rect.bottom - rect.top; }

// FitRectToMonitor flags.
constexpr UINT kFitCenter = 1;             // centre the rectangle in the area
constexpr UINT kFitWorkAreaOnPrimary = 2;  // the work area on the primary monitor

// A saved toolbar coordinate that holds no position.
constexpr int kToolbarPositionUnset = 0x7FFF;
constexpr int kToolbarWidth = 125;
constexpr int kToolbarHeight = 19;

struct MonitorArea {
    RECT monitor;
    RECT work;
    bool primary;
};

// The area a rectangle is fitted into: the work area with kFitWorkAreaOnPrimary
// on the primary monitor, else the whole monitor.
RECT MonitorFitArea(const MonitorArea& monitor, UINT flags);

// Centres (kFitCenter) or pushes the rectangle into the area, cutting it to the
// area when it is larger.
RECT FitRectToArea(const RECT& rect, const RECT& area, UINT flags);

// Shifts the rectangle into the virtual screen and cuts it to its size.
RECT ClampRectToVirtualScreen(const RECT& rect, const RECT& virtualScreen);

// The toolbar's top-left corner for a Position setting (0-5; others give the
// area's top-left); captionButtonWidth is SM_CXSIZE.
POINT ToolbarCorner(int position, const RECT& area, int captionButtonWidth);

// Whether a saved toolbar point (or its far corner) still lies in the area.
bool ToolbarPointInArea(const RECT& area, POINT saved, SIZE toolbar);

// The side of a new note's square for a DefSize setting (0-3: 102, 170, 256
// or 341 points; anything else 100 pixels) at that vertical resolution.
int NewNoteSide(int defSize, int pixelsPerInch);
// A new note's square on the monitor for the DefSize and DefPos settings: a
// twentieth of the monitor's width away from the edges it keeps to.
RECT NewNoteRect(const RECT& monitor, int defSize, int defPos, int pixelsPerInch);

// The rectangle moved by offset on the desktop. On each axis: a rectangle
// larger than the desktop stays; a move that would cross the near (far) edge
// is turned to point away from it, the rectangle first brought inside it.
RECT KeepRectOnDesktop(const RECT& rect, POINT offset, const RECT& desktop);

// The virtual screen from the system metrics.
RECT VirtualScreenRect();

// FitRectToArea on the monitor nearest to the rectangle.
void FitRectToMonitor(RECT& rect, UINT flags);

// Brings the rectangle onto the screen; true when it had to change. The result
// is always stored in rect; unless doNotMove, the window is moved and sized to
// it. A window that is gone gives false and leaves rect as it was.
bool KeepRectOnScreen(HWND window, RECT& rect, bool doNotMove);

// KeepRectOnScreen on the window's own rectangle, moving it.
bool KeepWindowOnScreen(HWND window);

// Places the main window (which carries the toolbar) by the settings, shows or
// hides the toolbar and moves the parent window to the saved point. A saved
// point that lies off every screen is dropped and the settings are saved.
void SetToolbarPosition(CPreferences& prefs, HWND mainWindow, HWND toolbar, HWND parentWindow);

// The rectangle the user sees: the desktop composition's frame bounds when
// composition is on, else GetWindowRect. False for a window that is gone.
bool GetVisibleWindowRect(HWND window, RECT& rect);
