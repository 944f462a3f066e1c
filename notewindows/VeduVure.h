// The small caption bars: our own non-client layer for note windows. A thin
// caption only as deep as the title font needs, flat buttons that light up
// under the mouse, and a border, bottom strip and size grip in the note's
// colours. The note frame hands every message it does not answer itself to
// VeduVureWndProc. The caption depth and colour live in window properties.
#pragma once

#include <windows.h>

#include "itsycmd.h"

// Sent by the caption to its own window.
constexpr UINT WM_ITSY_MINIMIZE = WM_USER + 2000;  // wParam hit code, lParam the mouse message's
constexpr UINT WM_ITSY_MAXIMIZE = WM_USER + 2001;  // wParam HTMAXBUTTON, lParam the mouse message's
constexpr UINT WM_ITSY_MENU = WM_USER + 2002;      // wParam 0, lParam the screen point

// Hit codes of our own buttons.
constexpr LRESULT HTITSYMENU = 256;
constexpr LRESULT HTITSYCLOSE = 257;

// Style bits private to the caption (the low word of a pop-up's style).
constexpr DWORD ITSY_VERTICALCAPTION = 0x8000;  // along the left side
constexpr DWORD ITSY_TOPCAPTION = 0x4000;       // along the top
constexpr DWORD ITSY_SYSMENUBOX = 0x2000;       // system-menu box and close button
constexpr DWORD ITSY_MENUBUTTON = 0x1000;

// Kinds of caption button, as the drawing takes them.
enum EItsyButton { kItsyMaximize = 0, kItsyMinimize = 1, kItsyMenu = 2, kItsyClose = 3 };
// Glyphs of ItsyDrawArrow.
enum EItsyArrow { kItsyArrowUp, kItsyArrowDown, kItsyArrowRestore };

LRESULT CALLBACK VeduVureWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// The caption depth D; 0 when the window has none stored.
int ItsyGetCaptionSize(HWND window);
COLORREF ItsyGetCaptionColor(HWND window);
// Stores the colour and recomputes the frame; the SetPropW result.
BOOL ItsySetCaptionColor(HWND window, COLORREF color);

// Grows a client rectangle to the window rectangle: exactly what
// WM_NCCALCSIZE takes away. A window with a thick frame is left unchanged.
void ItsyAdjustWindowRect(HWND window, RECT& rect);

// Rectangles in screen coordinates; FALSE with an empty rectangle when the
// item is absent. Buttons count from the caption's far end (n = 0 there).
BOOL ItsyGetCaptionRect(HWND window, RECT& rect);
BOOL ItsyGetSysMenuRect(HWND window, RECT& rect);
BOOL ItsyGetButtonRect(HWND window, int n, RECT& rect);

// Painting, in window coordinates; a null DC takes the window's own.
void ItsyDrawFrame(HDC dc, HWND window, bool active);
void ItsyDrawCaption(HDC dc, HWND window);
void ItsyDrawCaptionButton(HDC dc, HWND window, EItsyButton kind, bool pressed);
void ItsyDrawArrow(HDC dc, const RECT& rect, EItsyArrow glyph, COLORREF color);
// Stretches a cell of the caption bitmap into the rectangle.
void ItsyBlitBitmap(HDC dc, const RECT& destination, SIZE sourceSize, POINT sourceOrigin);
void ItsyDrawSysMenuBox(HDC dc, HWND window, bool pressed);

// Shows the button pressed while the mouse is held on it; true when it was
// released over the button. A capture taken away ends it as released outside.
bool ItsyTrackCaptionButton(HWND window, LRESULT hitCode, const RECT& button);

// The system menu under the system-menu box; 1 when it was shown.
int ItsyShowSystemMenu(HWND window);
void ItsySetupSystemMenu(HWND window, HMENU menu);
