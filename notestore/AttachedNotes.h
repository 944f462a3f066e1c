// What the attached notes share with the attach dialog and the main window,
// besides the note manager's members (AttachedNotes.cpp).
#pragma once

#include "foundation/StdStr.h"

#include <windows.h>

// Where a note of that size goes beside the target for a corner mode 1-4:
// left of it (1, 3) or one pixel right of it (2, 4), tops (1, 2) or bottoms
// (3, 4) aligned; pushed into fitArea when one is given.
POINT AttachedNotePosition(int moveWith, const RECT& target, SIZE note, const RECT* fitArea);

// The top-most open program window with exactly that title; null for none.
HWND TopmostWindowTitled(const CStdStr& title);

// Frees the window-event records still queued for a main window that closes.
void FreeQueuedWindowEvents(HWND mainWindow);
