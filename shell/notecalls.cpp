// The note windows are not part of this build yet: nothing is shown, hidden
// or exported.
#include "notecalls.h"

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

void ShowNoteById(std::int64_t)
{
}

bool ExportEveryNote(const wchar_t*, int)
{
    return false;
}
