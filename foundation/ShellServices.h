// Shell services that windows below the shell need too: the animation
// length, the layered-window check, opening a file or address, and date and
// time texts.
// User-interface thread only.
#pragma once

#include <windows.h>

// Binds SetLayeredWindowAttributes; true when present.
bool CanUseLayeredWindows();
bool HasAnimateMenu();
// Tracks the menu with its owner in the foreground, so that a click elsewhere
// closes it; the choice arrives as WM_COMMAND at the owner.
BOOL TrackMenuInForeground(HMENU menu, int x, int y, HWND window, const RECT* rect);
// Milliseconds of a window animation (AnimationSpeed); 0 on a remote desktop.
int GetAnimationDuration();
// Opens a file or address; true when the shell took it.
bool ShellOpen(const wchar_t* pathOrAddress);

// Date and time of an OLE date in the user's locale; an invalid date gives an
// empty text.
void FormatDateShort(double date, wchar_t* text, int size);
void FormatDateLong(double date, wchar_t* text, int size);
void FormatTimeShort(double date, wchar_t* text, int size);
