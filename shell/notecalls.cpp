#include "notecalls.h"

#include "notestore/Note.h"
#include "notestore/notemgr.h"

bool AnyNoteShown()
{
    return NoteManager().IsAnyNoteVisible();
}

void HideEveryNote()
{
    NoteManager().HideAllNotes();
}

void SetNotesTopmost(bool topmost)
{
    NoteManager().SetAllTopmost(topmost);
}

void RestoreNotesZOrder()
{
    NoteManager().RestoreZOrder();
}

void ToggleGroupNotes(std::int64_t group)
{
    NoteManager().ToggleGroupVisibility(group);
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
