// The commands of one note, as they reach its frame from the note menu, the
// editor's menu, the note keys and the organizer, and the note menu's marks
// for that note. UI thread only.
#pragma once

#include <windows.h>

#include "framework/OleDateTime.h"

class CNote;

// The dialogs and hand-offs of other parts that a note command opens, each
// called as declared there; a table, so tests see each call and answer it.
struct SNoteDialogSeam {
    void (*showAlarm)(CNote* note, HWND parent);
    bool (*setTitle)(HWND frame);
    bool (*lock)(HWND frame);
    bool (*find)(HWND frame);
    bool (*replace)(HWND frame);
    int (*groupList)(HWND frame);
    bool (*attach)(HWND frame);
    bool (*snooze)(HWND parent, CNote* note, COleDateTime start);
    bool (*netSend)(HWND frame);
    int (*print)(CNote& note);
    int (*sendByEmail)(CNote& note);
    void (*help)(DWORD contextId);
};
extern SNoteDialogSeam g_noteDialogSeam;

// Runs the command on the note of the frame; nothing without a note or for
// an id that is no note command.
void RunNoteCommand(HWND frame, UINT id);

// Delete, with the password of a locked note and the confirmation of a note
// with text; false when the note stays.
bool DeleteNoteCommand(HWND frame);
// Export of the note to a chosen file; a failure is logged and said.
void ExportNoteCommand(HWND frame);
// Quick snooze with alarm checks paused throughout; true when the note was
// snoozed (and hidden).
bool QuickSnoozeCommand(HWND frame);

// The marks of the note menu for the note of the frame: alignment, the lock
// entry's text, the transparency level, auto-resize and read-only.
void MarkNoteMenu(HMENU menu, HWND frame);
// The transparency entry that stands for the alpha (0 and 255: "Visible").
UINT TransparencyCommandFor(int alpha);
// The alpha of a transparency entry.
int AlphaOfTransparencyCommand(UINT id);
