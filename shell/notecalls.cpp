// The note windows are not part of this build yet: nothing is shown, hidden
// or exported.
#include "notecalls.h"

#include "notestore/Note.h"
#include "notestore/notemgr.h"

bool AnyNoteShown()
{
    return false;
}

void HideEveryNote()
{
}

void SetNotesTopmost(bool)
{
}

void RestoreNotesZOrder()
{
}

void ToggleGroupNotes(std::int64_t)
{
}

void ShowNoteById(std::int64_t id)
{
    if (CNote* const note = NoteManager().GetNote(id))
        note->ShowSticky();
}

bool ExportEveryNote(const wchar_t* path, int format)
{
    return ExportAllNotes(path, format);
}
