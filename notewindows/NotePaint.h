// A note frame's client area: painted (a locked note shows "Locked" on the
// caption colour), snapshotted for animations, and its editor's text
// measured line by line. UI thread only.
#pragma once

#include <windows.h>

// Paints the client area (client coordinates) into the DC.
void PaintNoteClient(HWND window, HDC dc);
// Double-buffered; a null DC paints the update region through BeginPaint.
void OnNotePaint(HWND window, HDC dc);
// The client area into a DC in window coordinates, for snapshots.
void OnNotePrintClient(HWND window, HDC dc, LPARAM flags);

// The summed height in device pixels of every line of an edit control, in
// the font of the note the editor belongs to (else the editor's own).
int GetEditContentHeight(HWND edit);
// The tabbed extent of a line; an empty line measures as "O".
SIZE GetTabbedLineExtent(HDC dc, const wchar_t* line, int length);
