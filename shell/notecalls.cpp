#include "notecalls.h"

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

void ShowNoteById(std::int64_t)
{
}

bool ExportEveryNote(const wchar_t*, int)
{
    return false;
}
