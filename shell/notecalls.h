// What the shell asks of the notes shown on the desktop: all of them, a
// group, one note, the export; the note manager does the work.
#pragma once

#include <cstdint>

// Some note other than none has a visible window.
bool AnyNoteShown();
void HideEveryNote();
void SetNotesTopmost(bool topmost);
void RestoreNotesZOrder();
// Shows the hidden notes of the group and hides the shown ones.
void ToggleGroupNotes(std::int64_t group);
// Shows the note with that id, asking for its password when locked.
void ShowNoteById(std::int64_t id);
// Every note into the file in that format; false when some note could not
// be written.
bool ExportEveryNote(const wchar_t* path, int format);
